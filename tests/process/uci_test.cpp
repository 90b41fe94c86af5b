// Whole UCI exchanges with the engine binary: identification, readiness, how input lines are
// cut and cleaned, silence on unknown commands, and how the process ends.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/engine_process.h"

using namespace std::chrono_literals;

namespace {

const char* const kIdentification[] = {
    "id name Quendal 4.08",
    "id author Orvendel",
    "option name Hash type spin default 1 min 1 max 1024",
    "option name Ponder type check default true",
    "uciok",
};

void ExpectIdentification(EngineProcess& engine) {
  for (const char* line : kIdentification) ASSERT_TRUE(engine.ExpectLine(line));
}

// "readyok" must be the very next line: whatever was sent before it stayed silent.
void ExpectReadyNext(EngineProcess& engine) {
  engine.SendLine("isready");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
}

}  // namespace

TEST(UciExchange, IdentifiesWithExactlyFiveLines) {
  EngineProcess engine;
  engine.SendLine("uci");
  ExpectIdentification(engine);
  ExpectReadyNext(engine);
}

TEST(UciExchange, IsReadyAnswersBeforeAndAfterUci) {
  EngineProcess engine;
  ExpectReadyNext(engine);
  engine.SendLine("uci");
  ExpectIdentification(engine);
  ExpectReadyNext(engine);
  ExpectReadyNext(engine);
}

TEST(UciExchange, CommandWordsIgnoreLetterCase) {
  EngineProcess engine;
  engine.SendLine("UCI");
  ExpectIdentification(engine);
  engine.SendLine("IsReady");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  engine.SendLine("ISREADY");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
}

TEST(UciExchange, CarriageReturnsEndLines) {
  EngineProcess engine;
  engine.Send("uci\r\n");
  ExpectIdentification(engine);
  engine.Send("isready\r");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  // A CR ending one write and the LF starting the next make an empty line, which is silent.
  engine.Send("isready\r");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  std::this_thread::sleep_for(50ms);
  engine.Send("\nisready\r\n\r\n");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  ExpectReadyNext(engine);
}

TEST(UciExchange, TabsAndRunsOfSpacesAreCleaned) {
  EngineProcess engine;
  engine.Send("  \t uci \t  \n");
  ExpectIdentification(engine);
  engine.Send("\tisready\t\t   \n");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  engine.Send("setoption \t name   Hash\tvalue  \t 64\n");
  ExpectReadyNext(engine);
}

TEST(UciExchange, CommandSplitAcrossWritesRunsOnceWhole) {
  EngineProcess engine;
  engine.Send("u");
  std::this_thread::sleep_for(100ms);
  engine.Send("ci\nisre");
  ExpectIdentification(engine);
  std::this_thread::sleep_for(100ms);
  engine.Send("ady\n");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  ExpectReadyNext(engine);
}

TEST(UciExchange, SeveralCommandsInOneWrite) {
  EngineProcess engine;
  engine.Send("uci\nisready\nisready\n");
  ExpectIdentification(engine);
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  ExpectReadyNext(engine);
}

TEST(UciExchange, HashOptionKeepsEngineReady) {
  EngineProcess engine;
  engine.SendLine("uci");
  ExpectIdentification(engine);
  engine.SendLine("setoption name Hash value 64");
  ExpectReadyNext(engine);
  // The option name is matched with its exact spelling: lower case changes nothing.
  engine.SendLine("setoption name hash value 64");
  ExpectReadyNext(engine);
  // Values that are no size fall back to the smallest table.
  for (const char* value : {"0", "-5", "lots"}) {
    engine.SendLine(std::string("setoption name Hash value ") + value);
    ExpectReadyNext(engine);
  }
  engine.SendLine("setoption name Ponder value false");
  engine.SendLine("setoption name NoSuchOption value 3");
  ExpectReadyNext(engine);
  // "uci" after a larger Hash goes back to 1 megabyte at the next "isready".
  engine.SendLine("setoption name Hash value 64");
  ExpectReadyNext(engine);
  engine.SendLine("uci");
  ExpectIdentification(engine);
  ExpectReadyNext(engine);
}

TEST(UciExchange, UnknownCommandsAreSilent) {
  EngineProcess engine;
  engine.SendLine("uci");
  ExpectIdentification(engine);
  engine.Send("ucinewgame\ndebug on\nxyzzy\n\n\n   \n\t\t\nregister later\n");
  ExpectReadyNext(engine);
  engine.SendLine("isreadyx");
  engine.SendLine("uc");
  engine.SendLine("ucinewgame");
  ExpectReadyNext(engine);
}

TEST(UciExchange, OverlongLineIsDroppedWhole) {
  EngineProcess engine;
  engine.SendLine("uci");
  ExpectIdentification(engine);
  // 2 MiB without a line end; a piece of it run as a command would answer "uciok" or
  // "readyok" out of turn.
  std::string garbage = "uci ";
  while (garbage.size() < (2u << 20)) garbage += "isready ";
  engine.Send(garbage);
  engine.Send("\nisready\n");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  ExpectReadyNext(engine);
}

TEST(UciExchange, LineLongerThanOneReadStillRuns) {
  EngineProcess engine;
  std::string blanks;
  while (blanks.size() < 40000) blanks += " \t  ";
  engine.Send("isready" + blanks + "\n");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  ExpectReadyNext(engine);
}

TEST(UciExchange, QuitEndsWithExitCodeZero) {
  EngineProcess engine;
  engine.SendLine("uci");
  ExpectIdentification(engine);
  engine.SendLine("quit");
  EXPECT_EQ(engine.WaitForExit(5s), 0);
}

TEST(UciExchange, QuitWaitsForEarlierCommandsAndEndsTheRest) {
  EngineProcess engine;
  engine.Send("isready\nquit\nisready\n");
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  EXPECT_EQ(engine.WaitForExit(5s), 0);
  EXPECT_EQ(engine.ReadLine(1s), std::nullopt);
}

TEST(UciExchange, EndOfInputEndsWithExitCodeZero) {
  EngineProcess engine;
  engine.SendLine("uci");
  ExpectIdentification(engine);
  engine.CloseInput();
  EXPECT_EQ(engine.WaitForExit(5s), 0);
}

TEST(UciExchange, EndOfInputAtOnceEndsWithExitCodeZero) {
  EngineProcess engine;
  engine.CloseInput();
  EXPECT_EQ(engine.WaitForExit(5s), 0);
}

// A script piped into the engine is answered in full before the process ends.
TEST(UciExchange, CommandsBeforeEndOfInputAreAnswered) {
  EngineProcess engine;
  engine.Send("uci\nisready\n");
  engine.CloseInput();
  ExpectIdentification(engine);
  EXPECT_TRUE(engine.ExpectLine("readyok"));
  EXPECT_EQ(engine.WaitForExit(5s), 0);
}
