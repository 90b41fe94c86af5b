// Every "go" gets exactly one "bestmove", also when a pondering or infinite search is left
// without its "stop": by the end of input, or by a next command after the search has already
// ended by itself (a mated side to move ends it at once).
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/engine_process.h"
#include "support/engine_replies.h"

using namespace std::chrono_literals;

namespace {
constexpr const char* kMatedBlack = "position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1";
}  // namespace

TEST(OwedBestMove, EndOfInputAnswersAnInfiniteSearch) {
  EngineProcess engine;
  ASSERT_TRUE(engine.Handshake());
  engine.SendLine("position startpos");
  engine.SendLine("go infinite");
  ASSERT_TRUE(engine.WaitForLine("info depth 2"));
  engine.CloseInput();
  const LinesUntil reply = engine.WaitForLine("bestmove");
  EXPECT_TRUE(reply) << reply;
  EXPECT_EQ(engine.WaitForExit(), 0);
}

TEST(OwedBestMove, EndOfInputAnswersAPonderSearch) {
  EngineProcess engine;
  ASSERT_TRUE(engine.Handshake());
  engine.SendLine("position startpos moves e2e4");
  engine.SendLine("go ponder wtime 100000 btime 100000");
  ASSERT_TRUE(engine.WaitForLine("info depth 2"));
  engine.CloseInput();
  const LinesUntil reply = engine.WaitForLine("bestmove");
  EXPECT_TRUE(reply) << reply;
  EXPECT_EQ(engine.WaitForExit(), 0);
}

// The search of a mated side ends at once but, being infinite, must not answer until something
// ends the "go": here a new position, which is run only after the answer.
TEST(OwedBestMove, NextCommandAnswersASearchThatEndedByItself) {
  EngineProcess engine;
  ASSERT_TRUE(engine.Handshake());
  engine.SendLine(kMatedBlack);
  engine.SendLine("go infinite");
  engine.SendLine("isready");
  const LinesUntil ready = engine.WaitForLine("readyok");
  ASSERT_TRUE(ready) << ready;
  EXPECT_EQ(CountBestMoves(ready.lines), 0);
  engine.SendLine("position startpos");
  const LinesUntil owed = engine.WaitForLine("bestmove");
  ASSERT_TRUE(owed) << owed;
  EXPECT_EQ(owed.Match(), "bestmove 0000");
  const LinesUntil next = engine.Go("depth 1");
  ASSERT_TRUE(next) << next;
  EXPECT_EQ(CountBestMoves(next.lines), 1);
  EXPECT_NE(next.Match(), "bestmove 0000");
}

TEST(OwedBestMove, QuitAnswersASearchThatEndedByItself) {
  EngineProcess engine;
  ASSERT_TRUE(engine.Handshake());
  engine.SendLine(kMatedBlack);
  engine.SendLine("go ponder");
  engine.SendLine("isready");
  ASSERT_TRUE(engine.WaitForLine("readyok"));
  engine.SendLine("quit");
  const LinesUntil owed = engine.WaitForLine("bestmove");
  ASSERT_TRUE(owed) << owed;
  EXPECT_EQ(owed.Match(), "bestmove 0000");
  EXPECT_EQ(engine.WaitForExit(), 0);
}

// "stop", "ponderhit" and "isready" keep their own rules: only the first two answer, once.
TEST(OwedBestMove, StopAfterASearchThatEndedByItselfAnswersOnce) {
  EngineProcess engine;
  ASSERT_TRUE(engine.Handshake());
  engine.SendLine(kMatedBlack);
  engine.SendLine("go infinite");
  engine.SendLine("isready");
  ASSERT_TRUE(engine.WaitForLine("readyok"));
  engine.SendLine("stop");
  // The search's information line may come before or after "readyok".
  const LinesUntil owed = engine.WaitForLine("bestmove");
  ASSERT_TRUE(owed) << owed;
  EXPECT_EQ(owed.Match(), "bestmove 0000");
  engine.SendLine("stop");
  engine.SendLine("position startpos");
  engine.SendLine("isready");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
}
