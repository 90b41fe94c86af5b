// Per-move perft counts against Debian's stockfish for positions whose move lists carry what a
// FEN cannot: castling rights lost by moves, en passant right after a double step, rights taken
// by a capture on a corner. Skipped when stockfish is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "search/search.h"
#include "support/position_fixture.h"

namespace {
constexpr const char* StockfishPath = "/usr/games/stockfish";

using Divide = std::map<std::string, uint64_t>;

// Parses "move: count" lines up to each "Nodes searched" line, one map per position.
std::vector<Divide> ParseDivides(const std::string& text) {
  std::vector<Divide> divides(1);
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("Nodes searched", 0) == 0) {
      divides.emplace_back();
      continue;
    }
    const size_t colon = line.find(": ");
    if (colon == 4 || colon == 5)
      divides.back()[line.substr(0, colon)] = std::stoull(line.substr(colon + 2));
  }
  divides.pop_back();
  return divides;
}

std::vector<Divide> AskStockfish(const std::vector<std::string>& positions, int32_t depth) {
  std::string script = "printf '";
  for (const std::string& position : positions) {
    script += "position " + position + "\\ngo perft " + std::to_string(depth) + "\\n";
  }
  script += "quit\\n' | " + std::string(StockfishPath);
  std::FILE* pipe = popen(script.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string text;
  char buffer[4096];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    text.append(buffer, got);
  pclose(pipe);
  return ParseDivides(text);
}
}  // namespace

TEST(StockfishPerft, MoveListsAgree) {
  if (access(StockfishPath, X_OK) != 0) GTEST_SKIP() << "stockfish is not installed";
  const std::vector<std::string> positions = {
      "startpos moves e2e4 d7d5 e4e5 f7f5",
      "startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1e2 f8c5 e2e1 e8f8 h1g1 f8e8",
      "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1 moves a1b1 h8g8 "
      "b1a1 g8h8 a2a4",
      "fen r3k2r/8/8/8/8/8/1n6/R3K2R b KQkq - 0 1 moves b2d1 a1a8 e8d7 a8a1 d1b2",
      "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1 moves e2e4",
      "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1 moves g1h1 b2a1q",
  };
  const int32_t depth = SlowBuild ? 2 : 3;
  const std::vector<Divide> expected = AskStockfish(positions, depth);
  ASSERT_EQ(expected.size(), positions.size());
  for (size_t i = 0; i < positions.size(); ++i) {
    ASSERT_EQ(SetUpPosition(positions[i]), 1) << positions[i];
    CapturedOutput captured;
    PerftDivide(depth);
    const std::vector<Divide> ours = ParseDivides(captured.Text());
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_EQ(ours[0], expected[i]) << positions[i];
  }
}
