#include <gtest/gtest.h>

#include <string>

#include "search/search.h"
#include "support/position_fixture.h"

namespace {
std::string Diagram() {
  CapturedOutput captured;
  PrintDiagram();
  return captured.Text();
}

std::string FenLine(const std::string& text) {
  const size_t start = text.find("Fen: ");
  if (start == std::string::npos) return "";
  return text.substr(start + 5, text.find('\n', start) - start - 5);
}
}  // namespace

TEST(Diagram, BoardSideFenAndKeys) {
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  const std::string text = Diagram();
  EXPECT_NE(text.find("8  r n b q k b n r 8\n"), std::string::npos) << text;
  EXPECT_NE(text.find("4  . . . . . . . . 4\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Side to move: white\n"), std::string::npos) << text;
  EXPECT_EQ(FenLine(text), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  char keys[64];
  std::snprintf(keys, sizeof keys, "Keys: check %08X index %08X\n", KeyCheck, KeyIndex);
  EXPECT_NE(text.find(keys), std::string::npos) << text;
}

TEST(Diagram, FenFieldsFromTheHistory) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4"), 1);
  EXPECT_EQ(FenLine(Diagram()), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
  ASSERT_EQ(SetUpPosition("startpos moves e2e4 a7a6 e4e5 d7d5"), 1);
  EXPECT_EQ(FenLine(Diagram()), "rnbqkbnr/1pp1pppp/p7/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3");
  ASSERT_EQ(SetUpPosition("startpos moves g1f3 g8f6 h1g1 h8g8 g1h1 g8h8"), 1);
  EXPECT_EQ(FenLine(Diagram()), "rnbqkb1r/pppppppp/5n2/8/8/5N2/PPPPPPPP/RNBQKB1R w Qq - 6 4");
  // A double step whose capture would expose the king shows no en-passant square.
  ASSERT_EQ(SetUpPosition("fen 8/8/8/8/k2p3R/8/4P3/4K3 w - - 0 1 moves e2e4"), 1);
  EXPECT_EQ(FenLine(Diagram()), "8/8/8/8/k2pP2R/8/8/4K3 b - - 0 1");
}

TEST(PerftDivide, OneLinePerRootMoveThenTheTotal) {
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  CapturedOutput captured;
  EXPECT_EQ(PerftDivide(2), 400u);
  const std::string text = captured.Text();
  EXPECT_EQ(text.rfind("b1c3: 20\nb1a3: 20\ng1h3: 20\ng1f3: 20\na2a3: 20\na2a4: 20\n", 0), 0u)
      << text;
  EXPECT_NE(text.find("\ng1h3: 20\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 21), "\nNodes searched: 400\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 22);
  EXPECT_EQ(Perft(0), 1u);
}
