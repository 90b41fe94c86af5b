// A long random exchange with the real engine: positions real and broken, searches of every
// kind, interruptions, readiness checks, option changes and junk, in random order. Every line
// the engine writes must have one of its shapes, every "go" gets exactly one "bestmove" with a
// legal best and ponder move, every "isready" its "readyok" within a bound that only catches a
// hang (even on a loaded machine), and the process ends with exit code 0 on "quit" and on end of
// input. The position the engine holds is followed here with the same set-up code, so garbage is
// followed exactly (the legality of the answers rests on the move generator, which the perft
// tests hold against published counts and Stockfish).
//   STRESS_COMMANDS=20000 STRESS_SEED=7 build/release/quendal_tests --gtest_filter='Stress.*'
#include <cstdlib>
#include <deque>
#include <thread>

#include "frontend/frontend.h"
#include "support/engine_process.h"
#include "support/support.h"

namespace {
class StressRun {
 public:
  explicit StressRun(uint32_t seed) : random_(seed), bases_(PerftPositions()) {}

  void Run(int32_t commands) {
    engine_.SendLine("uci");
    for (int32_t step = 0; step < commands && !testing::Test::HasFailure(); ++step) {
      Step(step, commands);
      while (const std::optional<std::string> line = engine_.ReadLine(Milliseconds(1))) Take(*line);
    }
    if (testing::Test::HasFailure()) return;
    Pick(2) ? (void)engine_.SendLine("quit") : engine_.CloseInput();
    while (const std::optional<std::string> line = engine_.ReadLine()) Take(*line);
    EXPECT_TRUE(gos_.empty()) << gos_.size() << " go without bestmove";
    EXPECT_EQ(engine_.WaitForExit(), 0);
  }

 private:
  int32_t Pick(int32_t n) { return int32_t(random_() % uint32_t(n)); }
  std::string Number(int32_t lo, int32_t hi) { return std::to_string(lo + Pick(hi - lo + 1)); }
  template <size_t N>
  std::string OneOf(const char* const (&choices)[N]) {
    return choices[Pick(int32_t(N))];
  }
  std::string Junk(int32_t length) {
    std::string text;
    while (length-- > 0) text += "abcdefghkqrnpKQRBNP12345678/ -wmovesfenstartpos0\t"[Pick(49)];
    return text;
  }
  std::string MoveWord() {
    return Pick(3) ? std::string{char('a' + Pick(8)), char('1' + Pick(8)), char('a' + Pick(8)),
                                 char('1' + Pick(8)), "qrbnk      "[Pick(11)]}
                   : OneOf({"e2e5", "a1a1", "zz9", "e7e8q", "e1g1", "0000", "E2E4"});
  }

  void Step(int32_t step, int32_t commands) {
    std::string text = Pick(2) ? "startpos" : bases_[size_t(Pick(int32_t(bases_.size())))];
    if (step == commands / 3) {  // longer than one read, shorter than the line limit: it runs
      for (text = "startpos moves e2e4"; text.size() < 30000;) text += " " + MoveWord();
      return SendPosition(text);
    }
    if (step == commands / 2) {  // over the line limit: dropped whole, so the position stays
      for (text = "position fen 8/8/8/8/8/8/8/8 w - - 0 1"; text.size() <= MaxLineLength;)
        text += " moves e2e4";
      return (void)engine_.SendLine(text);
    }
    switch (Pick(24)) {
      case 0 ... 4:
        return SendPosition(RandomGame(random_, text, Pick(16)));
      case 5:  // a FEN or a move list with characters changed, dropped or cut
        for (int32_t n = 1 + Pick(3); n > 0; --n) {
          const size_t at = size_t(Pick(int32_t(text.size()) + 1));
          Pick(3) ? (void)text.replace(at, Pick(2), Junk(Pick(2))) : text.resize(at);
        }
        return SendPosition(text);
      case 6:  // move words, legal or not
        text += text.find(" moves") == std::string::npos ? " moves" : "";
        for (int32_t n = 1 + Pick(12); n > 0; --n) text += " " + MoveWord();
        return SendPosition(text);
      case 7:
        return SendPosition(Pick(2)
                                ? Junk(Pick(80))
                                : OneOf({"fen", "FEN 8/8/8/8/8/8/8/8 w", "fen kK6/8 w",
                                         "fen 7k/6Q1/6K1/8/8/8/8/8 b", "fen 7k/8/6QK/8/8/8/8/8 b",
                                         "fen QQQQQQQQ/QQQQQQQQ/8/8/8/8/qqqqqqqq/qqqqkqqK w",
                                         "STARTPOS MOVES e2e4"}));
      case 8 ... 13:
        return SendGo();
      case 14 ... 16:
        return (void)engine_.SendLine(OneOf({"stop", "stop", "ponderhit", "ucinewgame", "uci"}));
      case 17 ... 18: {
        engine_.SendLine("isready");
        awaitingReady_ = true;
        const std::vector<std::string> lines = engine_.ReadUntil("readyok");
        EXPECT_FALSE(lines.empty()) << "no readyok in time";
        for (const std::string& line : lines) Take(line);
        return;
      }
      case 19:
        return (void)engine_.SendLine(
            "setoption name Hash value " +
            (Pick(4) ? Number(1, Pick(10) ? 64 : 2000) : OneOf({"abc", "-5", "", "1e9", " 64"})));
      case 20:
        return (void)engine_.SendLine(Junk(Pick(30)));
      default:
        std::this_thread::sleep_for(Milliseconds(Pick(12)));
    }
  }

  void SendPosition(const std::string& arguments) {
    std::string line = (Pick(10) ? "position " : "POSITION ") + arguments;
    engine_.SendLine(line);
    NormaliseLine(line);  // followed as the input thread cleans it
    const std::string followed = line.find(' ') == std::string::npos ? "" : line.substr(9);
    if (SetUpPosition(followed)) position_ = followed;
  }

  void SendGo() {
    const std::string clock =
        "wtime " + Number(1, 3000) + " btime " + Number(1, 3000) +
        (Pick(3) ? "" : " winc " + Number(0, 100) + " binc " + Number(0, 100)) +
        (Pick(5) ? "" : " movestogo " + Number(1, 40));
    const std::string arguments[] = {
        "depth " + Number(1, 4),
        "nodes " + Number(1, 20000),
        "movetime " + Number(1, 40),
        clock,
        "infinite",
        "infinite nodes " + Number(1, 3000),
        "ponder " + clock,
        "",
        OneOf({"depth 0", "depth -3", "nodes 0", "movetime -5", "depth abc", "wtime -100 btime 0",
               "depth 99", "movetime 0 depth 2", "searchmoves e2e4"})};
    gos_.push_back(position_);
    engine_.SendLine("go " + arguments[Pick(9)]);
  }

  void Take(const std::string& line) {
    EXPECT_TRUE(IsEngineLine(line)) << "a line of no known shape: [" << line << "]";
    if (line == "readyok" && !std::exchange(awaitingReady_, false)) ADD_FAILURE() << "readyok?";
    if (!line.starts_with("bestmove")) return;
    ASSERT_FALSE(gos_.empty()) << "bestmove with no go: " << line;
    EXPECT_EQ(BestMoveFault(gos_.front(), line), "");
    gos_.pop_front();
  }

  std::mt19937 random_;
  std::vector<std::string> bases_;
  EngineProcess engine_;
  std::string position_ = "startpos";
  bool awaitingReady_ = false;
  std::deque<std::string> gos_;
};

// Two streams, so that both ways of ending (quit and end of input) are met by default.
TEST(Stress, RandomCommandsKeepTheProtocol) {
  const char *seed = std::getenv("STRESS_SEED"), *commands = std::getenv("STRESS_COMMANDS");
  for (const uint32_t stream : {0, 1})
    StressRun(uint32_t(seed ? std::atoi(seed) : 1) + stream)
        .Run(commands    ? std::atoi(commands)
             : SlowBuild ? 60
                         : 120);
}
}  // namespace
