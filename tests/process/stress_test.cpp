// A long random exchange with the real engine: positions real and broken, searches of every
// kind, interruptions, readiness checks, option changes and junk lines, in random order. After
// every step it checks what the engine wrote: each line has one of the engine's shapes (so a
// torn or interleaved line fails), each "go" gets exactly one "bestmove", every best and ponder
// move is legal in the position that "go" searched, each "isready" gets its "readyok" within a
// bound that only catches a hang, and the process ends with exit code 0 on "quit" and on end of
// input.
//
// The position the engine holds is followed in this process: every "position" line is cleaned
// and set up here too, by the same set-up code, so garbage is followed exactly; a refused one
// keeps the previous position on both sides. Stockfish, where installed, checks the moves of the
// positions it reads the same way (real ones, legal move lists).
//
// The default suite runs a few hundred commands; a long run:
//   STRESS_COMMANDS=20000 STRESS_SEED=7 build/release/quendal_tests --gtest_filter='Stress.*'
#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "frontend/frontend.h"
#include "support/engine_process.h"
#include "support/line_shapes.h"
#include "support/move_oracle.h"
#include "support/position_fixture.h"

using namespace std::chrono_literals;

namespace {

int EnvironmentNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != 0 ? std::atoi(text) : fallback;
}

std::vector<std::string> LoadFens() {
  std::vector<std::string> fens;
  for (const char* file : {"wac.epd", "bk.epd", "perft-suite.epd", "ecm.epd"}) {
    std::ifstream in(std::string(QUENDAL_DATA_DIR) + "/" + file);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      fens.push_back(line.substr(0, line.find(" ;")));
    }
  }
  return fens;
}

// A "go" not answered yet, with the position it searches.
struct PendingGo {
  std::string arguments;
  bool clean;  // a position stockfish reads as we do
  std::string command;
};

struct Counts {
  int commands = 0, gos = 0, bestMoves = 0, ponderMoves = 0, stockfishChecks = 0, readies = 0;
  int positionsRefused = 0;
};

class StressRun {
 public:
  StressRun(int commands, uint32_t seed, StockfishOracle& stockfish)
      : commands_(commands), random_(seed), stockfish_(stockfish), fens_(LoadFens()) {}

  Counts Run() {
    EXPECT_FALSE(fens_.empty()) << "no FENs under " << QUENDAL_DATA_DIR;
    Send("uci");
    Send("position startpos");
    const int overlongAt = commands_ >= 100 ? Pick(commands_) : -1;
    for (int step = 0; step < commands_ && !Failed(); ++step) {
      if (step == overlongAt) {
        SendOverlongLine();
      } else {
        Step();
      }
      Drain();
    }
    Finish();
    return counts_;
  }

 private:
  bool Failed() const { return testing::Test::HasFailure(); }
  int Pick(int n) { return int(random_() % uint32_t(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }
  std::string Number(int lo, int hi) { return std::to_string(lo + Pick(hi - lo + 1)); }

  void Step() {
    const int roll = Pick(100);
    if (roll < 10) return SendPosition(CleanStart());
    if (roll < 22) return SendPosition(CleanFen());
    if (roll < 30) return SendGarbagePosition();
    if (roll < 52) return SendGo();
    if (roll < 60) return Send("stop");
    if (roll < 65) return Send("ponderhit");
    if (roll < 73) return SendIsReady();
    if (roll < 77) return SendHash();
    if (roll < 79) return Send("ucinewgame");
    if (roll < 82) return Send(std::string(size_t(Pick(4)), Chance(50) ? ' ' : '\t'));
    if (roll < 84) return Send(Junk(1 + Pick(30)));
    if (roll < 85) return SendLongLine();
    if (roll < 86) return Send("uci");
    std::this_thread::sleep_for(std::chrono::milliseconds(Pick(12)));
  }

  // ---- Positions ------------------------------------------------------------------------
  struct Built {
    std::string arguments;
    bool clean;
  };

  // Legal moves played from `base`, found by the engine's own generators.
  Built Walk(const std::string& base, int length) {
    std::string arguments = base;
    if (!SetUpPosition(base)) return {base, true};
    for (int i = 0; i < length; ++i) {
      const std::vector<std::string> moves = LegalMoves();
      if (moves.empty()) break;
      const std::string& move = moves[size_t(Pick(int(moves.size())))];
      arguments += i == 0 ? " moves " : " ";
      arguments += move;
      CapturedOutput quiet;
      ApplyMoveText(move.c_str());
    }
    return {arguments, true};
  }
  Built CleanStart() { return Walk("startpos", Pick(16)); }
  Built CleanFen() { return Walk("fen " + fens_[size_t(Pick(int(fens_.size())))], Pick(8)); }

  std::string Junk(int length) {
    static const char kChars[] = "abcdefghkqrnpKQRBNP12345678/ -wmovesfenstartpos0";
    std::string text;
    for (int i = 0; i < length; ++i) text += kChars[Pick(int(sizeof kChars) - 1)];
    return text;
  }

  std::string MoveWord() {
    static const char* const kOdd[] = {"e2e5", "a1a1",  "zz9",  "e7e8q", "e1g1", "h8h1",
                                       "e1c1", "a7a8k", "0000", "e2e4e", "E2E4", "e8g8"};
    if (Chance(40)) return kOdd[Pick(int(std::size(kOdd)))];
    std::string word;
    word += char('a' + Pick(8));
    word += char('1' + Pick(8));
    word += char('a' + Pick(8));
    word += char('1' + Pick(8));
    if (Chance(10)) word += "qrbnk"[Pick(5)];
    return word;
  }

  static void AddWord(std::string& text, const std::string& word) {
    text.push_back(' ');
    text.append(word);
  }

  void SendGarbagePosition() {
    std::string arguments;
    switch (Pick(5)) {
      case 0:
        arguments = Junk(1 + Pick(80));
        break;
      case 1: {  // a real FEN with a few characters changed, dropped or cut
        arguments = "fen " + fens_[size_t(Pick(int(fens_.size())))];
        for (int n = 1 + Pick(3); n > 0; --n) {
          const size_t at = size_t(4 + Pick(int(arguments.size()) - 4));
          if (Chance(30)) {
            arguments.resize(at);
            break;
          }
          if (Chance(50)) {
            arguments.erase(at, 1);
          } else {
            arguments[at] = Junk(1)[0];
          }
        }
        break;
      }
      case 2: {  // legal moves with bad words among them
        arguments = Chance(50) ? CleanStart().arguments : CleanFen().arguments;
        arguments += arguments.find(" moves ") == std::string::npos ? " moves" : "";
        for (int n = 1 + Pick(4); n > 0; --n) AddWord(arguments, MoveWord());
        break;
      }
      case 3:  // coordinate words that set-up plays whether legal or not
        arguments = "startpos moves";
        for (int n = 1 + Pick(12); n > 0; --n) AddWord(arguments, MoveWord());
        break;
      default: {
        static const char* const kOdd[] = {"",
                                           "fen",
                                           "fen ",
                                           "FEN 8/8/8/8/8/8/8/8 w - - 0 1",
                                           "fen kK6/8/8/8/8/8/8/8 w - - 0 1",
                                           "fen k7/8/8/8/8/8/8/KQ6 b - - 0 1 moves a8b8",
                                           "fen 4k3/8/8/8/8/8/8/4K2P w - - 0 1",
                                           "fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1",
                                           "fen 7k/8/6QK/8/8/8/8/8 b - - 0 1",
                                           "fen QQQQQQQQ/QQQQQQQQ/8/8/8/8/qqqqqqqq/qqqqkqqK w",
                                           "startpos moves",
                                           "STARTPOS MOVES e2e4"};
        arguments = kOdd[Pick(int(std::size(kOdd)))];
      }
    }
    SendPosition({arguments, false}, Chance(10) ? "POSITION" : "position");
  }

  void SendPosition(const Built& built, const std::string& word = "position") {
    const std::string line = word + " " + built.arguments;
    Send(line);
    // Follow the engine: the line as its input thread cleans and splits it.
    std::string clean = line;
    NormaliseLine(clean);
    const size_t space = clean.find(' ');
    const std::string arguments = space == std::string::npos ? "" : clean.substr(space + 1);
    if (SetUpPosition(arguments)) {
      position_ = arguments;
      clean_ = built.clean;
    } else {
      ++counts_.positionsRefused;
    }
  }

  // Long but under the line limit: run like any other.
  void SendLongLine() {
    std::string arguments = "startpos moves e2e4";
    while (arguments.size() < 30000) AddWord(arguments, MoveWord());
    SendPosition({arguments, false});
  }

  // Over the line limit: dropped whole, so the position stays.
  void SendOverlongLine() {
    std::string line = "position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves";
    while (line.size() <= MaxLineLength) line += " e2e4";
    Send(line);
  }

  // ---- Searches -------------------------------------------------------------------------
  std::string Clock() {
    std::string text = "wtime " + Number(1, 3000) + " btime " + Number(1, 3000);
    if (Chance(40)) text += " winc " + Number(0, 100) + " binc " + Number(0, 100);
    if (Chance(20)) text += " movestogo " + Number(1, 40);
    return text;
  }

  void SendGo() {
    std::string arguments;
    switch (Pick(12)) {
      case 0:
      case 1:
        arguments = "depth " + Number(1, 4);
        break;
      case 2:
        arguments = "nodes " + Number(1, 20000);
        break;
      case 3:
        arguments = "movetime " + Number(1, 40);
        break;
      case 4:
      case 5:
        arguments = Clock();
        break;
      case 6:
        arguments = "infinite";
        break;
      case 7:
        arguments = Chance(50) ? "infinite depth 2" : "infinite nodes " + Number(1, 3000);
        break;
      case 8:
      case 9:
        arguments = "ponder " + Clock();
        break;
      case 10:
        arguments = "";
        break;
      default: {
        static const char* const kOdd[] = {
            "depth 0",     "depth -3",           "nodes 0",
            "movetime -5", "depth abc",          "wtime -100 btime 0",
            "depth 99",    "movetime 0 depth 2", "searchmoves e2e4"};
        arguments = kOdd[Pick(int(std::size(kOdd)))];
      }
    }
    const std::string line = arguments.empty() ? "go" : "go " + arguments;
    gos_.push_back({position_, clean_, line});
    ++counts_.gos;
    Send(line);
  }

  // ---- Other commands -------------------------------------------------------------------
  void SendHash() {
    static const char* const kOdd[] = {"abc", "-5", "", "0", "99999999999", "1e3", " 64"};
    const std::string value = Chance(75) ? Number(1, Chance(10) ? 2000 : 64)
                                         : std::string(kOdd[Pick(int(std::size(kOdd)))]);
    Send("setoption name Hash value " + value);
    if (Chance(60)) SendIsReady();
  }

  void SendIsReady() {
    Send("isready");
    ++counts_.readies;
    awaitingReady_ = true;
    const auto deadline = std::chrono::steady_clock::now() + kReadyBound;
    while (awaitingReady_ && !Failed()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      const std::optional<std::string> line = engine_.ReadLine(std::max(left, 0ms));
      if (!line) {
        ADD_FAILURE() << "no readyok within " << kReadyBound.count() << " ms";
        return;
      }
      Process(*line);
    }
  }

  void Send(const std::string& line) {
    ++counts_.commands;
    engine_.SendLine(line);
  }

  // ---- Output ---------------------------------------------------------------------------
  void Drain() {
    for (int n = 0; n < 100000 && !Failed(); ++n) {
      const std::optional<std::string> line = engine_.ReadLine(1ms);
      if (!line) return;
      Process(*line);
    }
  }

  void Process(const std::string& line) {
    if (!IsEngineLine(line)) {
      ADD_FAILURE() << "a line of no known shape: [" << line << "]";
      return;
    }
    if (line == "readyok") {
      if (!awaitingReady_) ADD_FAILURE() << "readyok without isready";
      awaitingReady_ = false;
    } else if (line.starts_with("bestmove")) {
      if (gos_.empty()) {
        ADD_FAILURE() << "a bestmove with no go: " << line;
        return;
      }
      CheckBestMove(gos_.front(), line);
      gos_.pop_front();
    }
  }

  void CheckBestMove(const PendingGo& go, const std::string& line) {
    ++counts_.bestMoves;
    std::istringstream words(line.substr(9));
    std::string best, ponderWord, ponder;
    words >> best >> ponderWord >> ponder;
    const std::string context = " after [" + go.command + "] in [" + go.arguments + "]";
    const std::vector<std::string> own = OwnLegalMoves({go.arguments, {}});
    if (best == "0000") {
      EXPECT_TRUE(own.empty()) << "bestmove 0000 with legal moves" << context;
      return;
    }
    EXPECT_TRUE(HasMove(own, best)) << "illegal best move " << best << context;
    if (!ponder.empty()) {
      ++counts_.ponderMoves;
      EXPECT_TRUE(HasMove(OwnLegalMoves({go.arguments, {best}}), ponder))
          << "illegal ponder move " << ponder << " after " << best << context;
    }
    if (!go.clean || !stockfish_.Available()) return;
    ++counts_.stockfishChecks;
    const auto independent = stockfish_.LegalMoves({go.arguments, {}});
    ASSERT_TRUE(independent.has_value()) << "stockfish did not answer";
    EXPECT_TRUE(HasMove(*independent, best)) << "stockfish: illegal best move " << best << context;
    if (!ponder.empty()) {
      const auto replies = stockfish_.LegalMoves({go.arguments, {best}});
      ASSERT_TRUE(replies.has_value()) << "stockfish did not answer";
      EXPECT_TRUE(HasMove(*replies, ponder))
          << "stockfish: illegal ponder move " << ponder << " after " << best << context;
    }
  }

  // "quit" or end of input; either way every go is answered and the exit code is 0.
  void Finish() {
    if (Failed()) return;
    if (Chance(50)) {
      Send("quit");
    } else {
      engine_.CloseInput();
    }
    while (!Failed()) {
      const std::optional<std::string> line = engine_.ReadLine();
      if (!line) break;
      Process(*line);
    }
    EXPECT_TRUE(gos_.empty()) << gos_.size() << " go without bestmove, the first: "
                              << (gos_.empty() ? "" : gos_.front().command);
    EXPECT_EQ(engine_.WaitForExit(), 0);
  }

  static constexpr std::chrono::milliseconds kReadyBound = SlowBuild ? 10000ms : 1000ms;

  const int commands_;
  std::mt19937 random_;
  StockfishOracle& stockfish_;
  std::vector<std::string> fens_;
  EngineProcess engine_;
  std::string position_ = "startpos";
  bool clean_ = true;
  std::deque<PendingGo> gos_;
  bool awaitingReady_ = false;
  Counts counts_;
};

void RunAndReport(int commands, uint32_t seed) {
  StockfishOracle stockfish;
  StressRun run(commands, seed, stockfish);
  const Counts counts = run.Run();
  std::cout << "stress seed " << seed << ": " << counts.commands << " commands, " << counts.gos
            << " go, " << counts.bestMoves << " best moves and " << counts.ponderMoves
            << " ponder moves checked (" << counts.stockfishChecks << " by stockfish), "
            << counts.readies << " isready, " << counts.positionsRefused << " positions refused\n";
}

}  // namespace

TEST(Stress, RandomCommandsKeepTheProtocol) {
  RunAndReport(EnvironmentNumber("STRESS_COMMANDS", SlowBuild ? 60 : 100),
               uint32_t(EnvironmentNumber("STRESS_SEED", 1)));
}

// A second stream, so that both ways of ending (quit and end of input) are met by default.
TEST(Stress, AnotherSeed) {
  RunAndReport(EnvironmentNumber("STRESS_COMMANDS", SlowBuild ? 60 : 100),
               uint32_t(EnvironmentNumber("STRESS_SEED", 1)) + 1);
}
