// Whole searches through the engine process: what the info lines and the one "bestmove" say
// about mates, stalemates, forced moves and the search limits; how "stop", "ponderhit" and other
// commands that arrive during a search are answered; and the bench with its node signature.
//
// Searches that must run until they are told to stop use "go infinite", "go ponder" or a clock
// of ten minutes ("go wtime 600000 btime 600000"); everything else is kept to a few plies, since
// the suite also runs in sanitizer builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/engine_replies.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* kLongClock = "wtime 600000 btime 600000";
// Long enough for any answer the engine owes to have arrived.
constexpr EngineProcess::Duration kQuietPeriod{300};
// A stopped search must answer at once; this only catches one that keeps searching.
constexpr EngineProcess::Duration kStopAnswered{1000};

// Positions, each checked with an independent engine.
// White mates on the back rank: Rd8#, the only mate.
constexpr const char* kBackRankMate = "fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1";
// The same with colours exchanged: Rd1#.
constexpr const char* kBackRankMateBlack = "fen 3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1";
// e8=Q# or e8=R#.
constexpr const char* kPromotionMate = "fen k7/4P3/1K6/8/8/8/8/8 w - - 0 1";
// Qxh7+ Kxh7 hxg6#; no other move mates in two.
constexpr const char* kMateInTwo = "fen r1bq2rk/pp3pbp/2p1p1pQ/7P/3P4/2PB1N2/PP3PPR/2KR4 w - - 0 1";
// Black: Qc4+ Nxc4 bxc4#; no other move mates in two.
constexpr const char* kMateInTwoBlack = "fen 5k2/6pp/p1qN4/1p1p4/3P4/2PKP2Q/PP3r2/3R4 b - - 0 1";
// White is checkmated (the fool's mate).
constexpr const char* kCheckmated = "startpos moves f2f3 e7e5 g2g4 d8h4";
// Black to move has no move and is not in check.
constexpr const char* kStalemate = "fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1";
// Black's only move is Kg8.
constexpr const char* kOnlyMove = "fen 7k/8/6K1/8/8/8/P7/R7 b - - 0 1";
constexpr const char* kMiddlegame =
    "fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";

// ---- Reading the engine's lines ---------------------------------------------------------------

bool IsSearchInfo(const std::string& line) { return line.starts_with("info depth "); }

// The word after the keyword: Field("info depth 3 seldepth 5", "depth") is "3".
std::string Field(const std::string& line, const std::string& key) {
  const std::vector<std::string> words = Words(line);
  for (size_t i = 0; i + 1 < words.size(); ++i)
    if (words[i] == key) return words[i + 1];
  return "";
}

int64_t NumberField(const std::string& line, const std::string& key) {
  return std::atoll(Field(line, key).c_str());
}

// "mate 2", "cp -5 upperbound": the score with its bound, up to " time".
std::string ScoreText(const std::string& line) {
  const size_t start = line.find(" score ");
  const size_t end = line.find(" time ");
  if (start == std::string::npos || end == std::string::npos) return "";
  return line.substr(start + 7, end - start - 7);
}

// The score without its bound suffix.
std::string Score(const std::string& line) {
  const std::vector<std::string> words = Words(ScoreText(line));
  return words.size() >= 2 ? words[0] + " " + words[1] : "";
}

std::vector<std::string> Pv(const std::string& line) {
  const size_t start = line.find(" pv ");
  if (start == std::string::npos) return {};
  return Words(line.substr(start + 4));
}

std::vector<std::string> SearchInfos(const std::vector<std::string>& lines) {
  std::vector<std::string> infos;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(infos), IsSearchInfo);
  return infos;
}

std::string LastSearchInfo(const std::vector<std::string>& lines) {
  const std::vector<std::string> infos = SearchInfos(lines);
  return infos.empty() ? "" : infos.back();
}

std::string BestMove(const std::string& line) { return Field(line, "bestmove"); }

// ---- Driving the engine -----------------------------------------------------------------------

void StartSearch(EngineProcess& engine, const std::string& position, const std::string& go) {
  engine.SendLine("position " + position);
  engine.SendLine("go " + go);
  // The first info line shows that the search runs (and the channel has been released).
  ASSERT_TRUE(engine.WaitForLine("info depth 1 ")) << go;
}

// Reads on while waiting, so that a busy search never blocks on a full pipe.
std::vector<std::string> LetItRun(EngineProcess& engine, EngineProcess::Duration period) {
  return engine.LinesWithin(period);
}

// "isready" is answered after everything the engine owed, and nothing may follow it.
void ExpectNothingMoreOwed(EngineProcess& engine) {
  engine.SendLine("isready");
  LinesUntil ready = engine.WaitForLine([](const std::string& l) { return l == "readyok"; });
  ASSERT_TRUE(ready) << ready;
  EXPECT_EQ(CountBestMoves(ready.lines), 0) << ready;
  const std::vector<std::string> later = engine.LinesWithin(kQuietPeriod);
  EXPECT_EQ(CountBestMoves(later), 0);
}

testing::AssertionResult IsLegalIn(EngineProcess& engine, const std::string& position,
                                   const std::string& move) {
  const std::set<std::string> legal = LegalMoves(engine, position);
  if (legal.contains(move)) return testing::AssertionSuccess();
  return testing::AssertionFailure() << move << " is no legal move in " << position;
}

struct SearchResult {
  LinesUntil reply;
  std::string lastInfo;
  std::string best;
};

SearchResult Search(EngineProcess& engine, const std::string& position, const std::string& go) {
  engine.SendLine("position " + position);
  SearchResult result{engine.Go(go), "", ""};
  EXPECT_TRUE(result.reply) << result.reply;
  if (result.reply) {
    result.lastInfo = LastSearchInfo(result.reply.lines);
    result.best = BestMove(result.reply.Match());
  }
  return result;
}

class EngineSearch : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(engine.Handshake()); }
  EngineProcess engine;
};

}  // namespace

// ---- Mates, stalemates and forced moves ---------------------------------------------------------

TEST_F(EngineSearch, MateInOneIsAnnouncedAndPlayedWithoutPonderMove) {
  struct Case {
    const char* position;
    std::set<std::string> mates;
  };
  for (const Case& c : {Case{kBackRankMate, {"d1d8"}}, Case{kBackRankMateBlack, {"d8d1"}},
                        Case{kPromotionMate, {"e7e8q", "e7e8r"}}}) {
    // The mate ends the deepening long before the clock would.
    SearchResult result = Search(engine, c.position, kLongClock);
    EXPECT_EQ(Score(result.lastInfo), "mate 1") << result.reply;
    EXPECT_TRUE(c.mates.contains(result.best)) << result.reply;
    // A line of one move names no ponder move.
    EXPECT_EQ(result.reply.Match(), "bestmove " + result.best);
  }
}

TEST_F(EngineSearch, MateInTwoIsAnnouncedAndPlayed) {
  for (auto [position, mate] :
       {std::pair{kMateInTwo, "h6h7"}, std::pair{kMateInTwoBlack, "c6c4"}}) {
    SearchResult result = Search(engine, position, kLongClock);
    EXPECT_EQ(Score(result.lastInfo), "mate 2") << result.reply;
    EXPECT_EQ(result.best, mate) << result.reply;
    EXPECT_EQ(Pv(result.lastInfo).size(), 3u) << result.lastInfo;
  }
}

TEST_F(EngineSearch, RootWithoutLegalMoveAnswersNullMove) {
  for (auto [position, score] : {std::pair{kCheckmated, "mate 0"}, std::pair{kStalemate, "cp 0"}}) {
    SearchResult result = Search(engine, position, "");
    EXPECT_EQ(Score(result.lastInfo), score) << result.reply;
    EXPECT_EQ(result.reply.Match(), "bestmove 0000");
    for (const std::string& info : SearchInfos(result.reply.lines)) {
      EXPECT_EQ(Field(info, "depth"), "1") << info;
      EXPECT_EQ(Pv(info).size(), 0u) << info;
    }
  }
}

TEST_F(EngineSearch, SingleLegalMoveEndsAfterOneIteration) {
  SearchResult result = Search(engine, kOnlyMove, kLongClock);
  EXPECT_EQ(result.reply.Match(), "bestmove h8g8");
  const std::vector<std::string> infos = SearchInfos(result.reply.lines);
  ASSERT_FALSE(infos.empty());
  for (const std::string& info : infos) EXPECT_EQ(Field(info, "depth"), "1") << info;
  ExpectNothingMoreOwed(engine);
}

TEST_F(EngineSearch, SingleLegalMoveKeepsDeepeningWhenInfinite) {
  StartSearch(engine, kOnlyMove, "infinite");
  LinesUntil deeper = engine.WaitForLine("info depth 3 ");
  EXPECT_TRUE(deeper) << deeper;
  EXPECT_EQ(CountBestMoves(deeper.lines), 0);
  engine.SendLine("stop");
  EXPECT_TRUE(engine.WaitForLine("bestmove h8g8"));
  ExpectNothingMoreOwed(engine);
}

// ---- The information lines --------------------------------------------------------------------

// The first line of a search reports the root's static evaluation, before any node is searched.
TEST_F(EngineSearch, FirstInfoLineShowsStaticEvaluation) {
  for (const char* position : {"startpos moves e2e4", kMiddlegame, kOnlyMove, "startpos"}) {
    engine.SendLine(std::string("position ") + position);
    engine.SendLine("eval");
    LinesUntil eval = engine.WaitForLine("Score: ");
    ASSERT_TRUE(eval) << eval;
    // "Score: +0.05 for White, -0.05 for Black to move": the second figure is the mover's.
    const std::vector<std::string> words = Words(eval.Match());
    ASSERT_GE(words.size(), 5u);
    const double pawns = std::atof(words[4].c_str());
    engine.SendLine("isready");  // answered after the rest of the eval output
    ASSERT_TRUE(engine.WaitForLine([](const std::string& l) { return l == "readyok"; }));

    engine.SendLine("go depth 2");
    LinesUntil first = engine.WaitForLine(IsSearchInfo);
    ASSERT_TRUE(first) << first;
    const std::string& line = first.Match();
    EXPECT_TRUE(line.starts_with("info depth 1 seldepth 1 score cp ")) << line;
    EXPECT_NE(line.find(" nodes 0 nps 0"), std::string::npos) << line;
    EXPECT_EQ(line.find(" pv "), std::string::npos) << line;
    // cp truncates the 1/256-pawn score, the eval command rounds it to hundredths.
    EXPECT_NEAR(double(NumberField(line, "cp")), pawns * 100, 1.0) << line << " / " << eval.Match();
    ASSERT_TRUE(engine.WaitForLine(IsBestMove));
  }
}

TEST_F(EngineSearch, PonderMoveIsTheSecondMoveOfTheLine) {
  for (const char* position : {"startpos", kMiddlegame}) {
    SearchResult result = Search(engine, position, "depth 4");
    const std::vector<std::string> pv = Pv(result.lastInfo);
    ASSERT_GE(pv.size(), 2u) << result.reply;
    EXPECT_EQ(result.reply.Match(), "bestmove " + pv[0] + " ponder " + pv[1]);
    // The full reply: the final info line comes right before the best move.
    const std::vector<std::string>& lines = result.reply.lines;
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(IsSearchInfo(lines[lines.size() - 2])) << result.reply;
  }
}

// ---- Search limits ----------------------------------------------------------------------------

TEST_F(EngineSearch, LimitedSearchesEndByThemselvesWithLegalMoves) {
  for (const char* position :
       {"startpos", kMiddlegame, kMateInTwoBlack, "fen 8/P7/8/8/8/8/6k1/K7 w - - 0 1"}) {
    SearchResult depth = Search(engine, position, "depth 3");
    int32_t deepest = 0;
    for (const std::string& info : SearchInfos(depth.reply.lines))
      deepest = std::max<int32_t>(deepest, int32_t(NumberField(info, "depth")));
    EXPECT_LE(deepest, 3) << depth.reply;
    // Only a mate found earlier ends the deepening before the limit.
    if (Score(depth.lastInfo).starts_with("cp")) {
      EXPECT_EQ(deepest, 3) << depth.reply;
    }
    EXPECT_TRUE(IsLegalIn(engine, position, depth.best));

    SearchResult nodes = Search(engine, position, "nodes 5000");
    if (Score(nodes.lastInfo).starts_with("cp")) {
      EXPECT_EQ(NumberField(nodes.lastInfo, "nodes"), 5000) << nodes.reply;
    }
    EXPECT_TRUE(IsLegalIn(engine, position, nodes.best));

    // Stopped before a root move is searched to the end, the search still names a move.
    SearchResult first = Search(engine, position, "nodes 1");
    EXPECT_TRUE(IsLegalIn(engine, position, first.best)) << first.reply;

    SearchResult timed = Search(engine, position, "movetime 200");
    EXPECT_TRUE(IsLegalIn(engine, position, timed.best));
  }
}

TEST(EngineSearchRuns, SameDepthSearchOnFreshProcessesIsIdentical) {
  std::string lines[2];
  for (std::string& line : lines) {
    EngineProcess engine;
    ASSERT_TRUE(engine.Handshake());
    SearchResult result = Search(engine, "startpos moves e2e4 e7e5 g1f3 b8c6", "depth 6");
    // Time and speed vary from run to run; depth, score, nodes and line must not.
    line = Field(result.lastInfo, "depth") + " " + ScoreText(result.lastInfo) + " nodes " +
           Field(result.lastInfo, "nodes") + " pv";
    for (const std::string& move : Pv(result.lastInfo)) line += " " + move;
    line += " / " + result.reply.Match();
  }
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_NE(lines[0].find(" pv "), std::string::npos) << lines[0];
}

// ---- One "bestmove" per "go" ------------------------------------------------------------------

TEST_F(EngineSearch, StopEndsTimedSearchWithOneFullReply) {
  StartSearch(engine, kMiddlegame, kLongClock);
  LetItRun(engine, 100ms);
  const auto sent = std::chrono::steady_clock::now();
  engine.SendLine("stop");
  LinesUntil reply = engine.WaitForLine(IsBestMove);
  ASSERT_TRUE(reply) << reply;
  EXPECT_LT(std::chrono::steady_clock::now() - sent, kStopAnswered);
  ASSERT_GE(reply.lines.size(), 2u);
  EXPECT_TRUE(IsSearchInfo(reply.lines[reply.lines.size() - 2])) << reply;
  const std::vector<std::string> pv = Pv(reply.lines[reply.lines.size() - 2]);
  ASSERT_FALSE(pv.empty());
  EXPECT_EQ(BestMove(reply.Match()), pv[0]);
  ExpectNothingMoreOwed(engine);
  // The search is answered: a later "stop" or "ponderhit" owes nothing.
  engine.SendLine("stop");
  engine.SendLine("ponderhit");
  ExpectNothingMoreOwed(engine);
  EXPECT_TRUE(IsLegalIn(engine, kMiddlegame, BestMove(reply.Match())));
}

TEST_F(EngineSearch, StopEndsInfiniteSearchAtOnce) {
  StartSearch(engine, kMiddlegame, "infinite");
  // An infinite search never ends by itself.
  EXPECT_EQ(CountBestMoves(LetItRun(engine, kQuietPeriod)), 0);
  const auto sent = std::chrono::steady_clock::now();
  engine.SendLine("stop");
  LinesUntil reply = engine.WaitForLine(IsBestMove);
  ASSERT_TRUE(reply) << reply;
  EXPECT_LT(std::chrono::steady_clock::now() - sent, kStopAnswered);
  // The immediate reply names no ponder move.
  EXPECT_EQ(Words(reply.Match()).size(), 2u) << reply.Match();
  ExpectNothingMoreOwed(engine);
  engine.SendLine("stop");
  engine.SendLine("ponderhit");
  ExpectNothingMoreOwed(engine);
  EXPECT_TRUE(IsLegalIn(engine, kMiddlegame, BestMove(reply.Match())));
}

TEST_F(EngineSearch, IsReadyDuringSearchIsAnsweredAndSearchGoesOn) {
  StartSearch(engine, kMiddlegame, "ponder");
  for (const char* command : {"isready", "ISREADY"}) {
    engine.SendLine(command);
    LinesUntil ready = engine.WaitForLine([](const std::string& l) { return l == "readyok"; });
    ASSERT_TRUE(ready) << ready;
    EXPECT_EQ(CountBestMoves(ready.lines), 0) << ready;
  }
  EXPECT_EQ(CountBestMoves(LetItRun(engine, 100ms)), 0);
  engine.SendLine("stop");
  LinesUntil reply = engine.WaitForLine(IsBestMove);
  ASSERT_TRUE(reply) << reply;
  ExpectNothingMoreOwed(engine);
}

TEST_F(EngineSearch, PonderhitTurnsPonderingIntoTimedSearch) {
  // Ten seconds on the clock give a budget of a few milliseconds once the search is timed.
  StartSearch(engine, kMiddlegame, "ponder wtime 10000 btime 10000");
  EXPECT_EQ(CountBestMoves(LetItRun(engine, kQuietPeriod)), 0);
  engine.SendLine("ponderhit");
  LinesUntil reply = engine.WaitForLine(IsBestMove);
  ASSERT_TRUE(reply) << reply;
  ASSERT_GE(reply.lines.size(), 2u);
  EXPECT_TRUE(IsSearchInfo(reply.lines[reply.lines.size() - 2])) << reply;
  const std::vector<std::string> pv = Pv(reply.lines[reply.lines.size() - 2]);
  ASSERT_GE(pv.size(), 2u) << reply;
  EXPECT_EQ(reply.Match(), "bestmove " + pv[0] + " ponder " + pv[1]);
  ExpectNothingMoreOwed(engine);
}

TEST_F(EngineSearch, StopWhilePonderingGivesOneImmediateReply) {
  StartSearch(engine, kMiddlegame, "ponder wtime 10000 btime 10000");
  engine.SendLine("stop");
  LinesUntil reply = engine.WaitForLine(IsBestMove);
  ASSERT_TRUE(reply) << reply;
  EXPECT_EQ(Words(reply.Match()).size(), 2u) << reply.Match();
  ExpectNothingMoreOwed(engine);
  engine.SendLine("ponderhit");
  ExpectNothingMoreOwed(engine);
}

// "ponderhit" and "stop" back to back: whichever ends the search, the go is answered once.
TEST_F(EngineSearch, PonderhitThenStopGivesOneReply) {
  for (int round = 0; round < 3; ++round) {
    StartSearch(engine, kMiddlegame, "ponder wtime 10000 btime 10000");
    engine.Send("ponderhit\nstop\n");
    ASSERT_TRUE(engine.WaitForLine(IsBestMove));
    ExpectNothingMoreOwed(engine);
  }
}

// Another command ends the search; the go is answered in full first, then the command runs.
TEST_F(EngineSearch, NewPositionDuringSearchAnswersTheOldSearchFirst) {
  for (const char* go : {"ponder", "infinite", kLongClock}) {
    StartSearch(engine, kMiddlegame, go);
    engine.SendLine("position startpos moves e2e4");
    LinesUntil reply = engine.WaitForLine(IsBestMove);
    ASSERT_TRUE(reply) << go << ": " << reply;
    ASSERT_GE(reply.lines.size(), 2u);
    EXPECT_TRUE(IsSearchInfo(reply.lines[reply.lines.size() - 2])) << reply;
    ExpectNothingMoreOwed(engine);
    // The new position is in place: the next search plays for Black.
    engine.SendLine("go depth 2");
    LinesUntil next = engine.WaitForLine(IsBestMove);
    ASSERT_TRUE(next) << next;
    EXPECT_TRUE(IsLegalIn(engine, "startpos moves e2e4", BestMove(next.Match())));
    ExpectNothingMoreOwed(engine);
  }
}

TEST_F(EngineSearch, NewGoDuringSearchGivesOneReplyPerGo) {
  for (const char* go : {"ponder", "infinite", kLongClock}) {
    StartSearch(engine, kMiddlegame, go);
    engine.SendLine("go depth 3");
    LinesUntil first = engine.WaitForLine(IsBestMove);
    ASSERT_TRUE(first) << go << ": " << first;
    LinesUntil second = engine.WaitForLine(IsBestMove);
    ASSERT_TRUE(second) << go << ": " << second;
    EXPECT_EQ(Field(LastSearchInfo(second.lines), "depth"), "3") << second;
    ExpectNothingMoreOwed(engine);
  }
}

// Commands written together reach the engine while the search is starting or just ending; the
// count of replies must still match the count of searches.
TEST_F(EngineSearch, RapidCommandsGetOneReplyPerGo) {
  const std::string position = std::string("position ") + kMiddlegame + "\n";
  const std::string rounds[] = {
      "go infinite\nstop\n",          "go ponder\nstop\nponderhit\n",
      "go ponder\nponderhit\nstop\n", std::string("go ") + kLongClock + "\nstop\nstop\n",
      "go infinite\n" + position,     "go ponder\ngo depth 1\n",
  };
  int goes = 0;
  std::string script;
  for (int repeat = 0; repeat < 5; ++repeat) {
    for (const std::string& round : rounds) {
      script += position + round;
      goes += round.starts_with("go ponder\ngo ") ? 2 : 1;
    }
  }
  engine.Send(script);
  int answered = 0;
  LinesUntil replies = engine.WaitForLine(
      [&](const std::string& line) { return IsBestMove(line) && ++answered == goes; });
  ASSERT_TRUE(replies) << answered << " of " << goes << " answered: " << replies;
  ExpectNothingMoreOwed(engine);
}

TEST_F(EngineSearch, UciDuringSearchAnswersTheSearchFirst) {
  StartSearch(engine, kMiddlegame, kLongClock);
  engine.SendLine("uci");
  LinesUntil reply = engine.WaitForLine([](const std::string& l) { return l == "uciok"; });
  ASSERT_TRUE(reply) << reply;
  EXPECT_EQ(CountBestMoves(reply.lines), 1) << reply;
  const auto best = std::find_if(reply.lines.begin(), reply.lines.end(), IsBestMove);
  const auto id = std::find(reply.lines.begin(), reply.lines.end(), "id name Quendal 4.08");
  EXPECT_LT(best - reply.lines.begin(), id - reply.lines.begin()) << reply;
  ExpectNothingMoreOwed(engine);
}

TEST_F(EngineSearch, StopAndPonderhitWithoutSearchAreSilent) {
  engine.SendLine("stop");
  engine.SendLine("ponderhit");
  ExpectNothingMoreOwed(engine);
  Search(engine, "startpos", "depth 2");
  engine.SendLine("stop");
  engine.SendLine("ponderhit");
  ExpectNothingMoreOwed(engine);
}

// With no legal move a pondering or infinite search has nothing to deepen: it waits quietly for
// the command that asks for its answer.
TEST_F(EngineSearch, RootWithoutLegalMoveWaitsWhenInfinite) {
  for (const char* position : {kCheckmated, kStalemate}) {
    StartSearch(engine, position, "infinite");
    const std::vector<std::string> meanwhile = LetItRun(engine, kQuietPeriod);
    EXPECT_EQ(CountBestMoves(meanwhile), 0);
    EXPECT_LT(meanwhile.size(), 5u) << "the waiting search keeps writing";
    engine.SendLine("stop");
    EXPECT_TRUE(engine.ExpectLine("bestmove 0000"));
    ExpectNothingMoreOwed(engine);
  }
  StartSearch(engine, kCheckmated, "ponder wtime 10000 btime 10000");
  EXPECT_EQ(CountBestMoves(LetItRun(engine, kQuietPeriod)), 0);
  engine.SendLine("ponderhit");
  LinesUntil reply = engine.WaitForLine(IsBestMove);
  ASSERT_TRUE(reply) << reply;
  EXPECT_EQ(reply.Match(), "bestmove 0000");
  EXPECT_EQ(Score(LastSearchInfo(reply.lines)), "mate 0") << reply;
  ExpectNothingMoreOwed(engine);
}

// A mate ends the deepening also when infinite, but the answer still waits for "stop".
TEST_F(EngineSearch, InfiniteSearchThatFoundMateWaitsForStop) {
  StartSearch(engine, kBackRankMate, "infinite");
  EXPECT_EQ(CountBestMoves(LetItRun(engine, kQuietPeriod)), 0);
  engine.SendLine("stop");
  EXPECT_TRUE(engine.ExpectLine("bestmove d1d8"));
  ExpectNothingMoreOwed(engine);
}

// End of input is "quit", also in the middle of a search.
TEST(EngineSearchRuns, EndOfInputDuringSearchEndsTheProcess) {
  for (const char* go : {"infinite", kLongClock}) {
    EngineProcess engine;
    ASSERT_TRUE(engine.Handshake());
    StartSearch(engine, kMiddlegame, go);
    engine.CloseInput();
    EXPECT_EQ(engine.WaitForExit(), 0) << go;
  }
}

// ---- Bench ------------------------------------------------------------------------------------

// The node total of "quendal bench 4". It changes only when what the search does changes; such
// a change must be deliberate, with the new default bench total ("Bench: N") in its commit
// message. Release and debug builds give the same count.
constexpr uint64_t kBenchDepth4Nodes = 384026;

namespace {

// Reads a bench report to its end; returns the node total, checking the per-position lines.
uint64_t ReadBench(EngineProcess& engine) {
  // A hung bench is caught; the whole bench takes far less even in sanitizer builds.
  LinesUntil report = engine.WaitForLine("Nodes searched: ", 120s);
  EXPECT_TRUE(report) << report;
  if (!report) return 0;
  uint64_t sum = 0;
  int number = 0;
  for (const std::string& line : report.lines) {
    if (!line.starts_with("info string bench ")) continue;
    ++number;
    EXPECT_TRUE(line.starts_with("info string bench " + std::to_string(number) + "/30 ")) << line;
    sum += uint64_t(NumberField(line, "nodes"));
  }
  EXPECT_EQ(number, 30);
  const uint64_t total = uint64_t(NumberField(report.Match(), "searched:"));
  EXPECT_EQ(total, sum);
  EXPECT_TRUE(engine.WaitForLine("Total time (ms): "));
  EXPECT_TRUE(engine.WaitForLine("Nodes/second: "));
  return total;
}

}  // namespace

TEST(EngineBench, CommandLineBenchPrintsItsSignatureAndExits) {
  EngineProcess::Options options;
  options.arguments = {"bench", "4"};
  EngineProcess engine(options);
  EXPECT_EQ(ReadBench(engine), kBenchDepth4Nodes);
  EXPECT_EQ(engine.WaitForExit(), 0);
}

TEST_F(EngineSearch, BenchCommandLeavesTheEngineUsable) {
  engine.SendLine("bench 2");
  EXPECT_GT(ReadBench(engine), 0u);
  ExpectNothingMoreOwed(engine);
  SearchResult result = Search(engine, kMiddlegame, "depth 2");
  EXPECT_TRUE(IsLegalIn(engine, kMiddlegame, result.best));
}

namespace {

// A "stop" that arrives together with its "go" is answered with a move of the new position,
// never one left over from the previous search, and nothing of the search follows it.
TEST(StopAtOnce, AnswersAMoveOfTheNewPositionAndNothingAfterIt) {
  EngineProcess engine;
  ASSERT_TRUE(engine.Handshake());
  const std::string position = "fen 4k3/8/8/8/8/8/8/4K2R b - - 0 1";
  const std::set<std::string> legal = LegalMoves(engine, position);
  for (int round = 0; round < 20; ++round) {
    engine.SendLine("position startpos");
    ASSERT_TRUE(engine.Go("depth 2"));
    engine.Send("position " + position + "\ngo infinite\nstop\nisready\n");
    LinesUntil reply = engine.WaitForLine([](const std::string& l) { return l == "readyok"; });
    ASSERT_TRUE(reply) << reply;
    std::vector<std::string> bestmoves;
    for (const std::string& line : reply.lines)
      if (line.starts_with("bestmove")) bestmoves.push_back(line);
    ASSERT_EQ(bestmoves.size(), 1u) << reply;
    EXPECT_TRUE(legal.contains(BestMove(bestmoves[0]))) << reply;
    const auto after = std::find(reply.lines.begin(), reply.lines.end(), bestmoves[0]);
    EXPECT_EQ(after + 2, reply.lines.end()) << "lines after the bestmove: " << reply;
  }
}

}  // namespace
