#include <gtest/gtest.h>

#include <string>

#include "search/search.h"
#include "support/position_fixture.h"

namespace {
// Plays a move at a ply of the search line the way the search does: record, make, swap sides.
void TreeMove(int32_t ply, const char* word) {
  Move& move = GameLine[RootSlot + ply];
  move.from = int16_t(SquareOf(word));
  move.to = int16_t(SquareOf(word + 2));
  move.piece = Board[move.from].type;
  move.captured = Board[move.to].type;
  move.kind = Normal;
  MakeMove(move);
  SideToMove = OtherSide;
  OtherSide = 1 - SideToMove;
}

std::string Repeated(const char* const* words, int32_t count) {
  std::string text;
  for (int32_t i = 0; i < count; ++i) text += std::string(" ") + words[i % 4];
  return text;
}

const char* const KnightDance[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
}  // namespace

TEST(Repetition, RootMoveAgainstTheGame) {
  ASSERT_EQ(SetUpPosition("startpos moves g1f3 g8f6 f3g1 f6g8"), 1);
  TreeMove(0, "g1f3");
  EXPECT_EQ(IsRepetition(0, 1), 1);
  ASSERT_EQ(SetUpPosition("startpos moves g1f3 g8f6 f3g1 f6g8"), 1);
  TreeMove(0, "b1c3");
  EXPECT_EQ(IsRepetition(0, 1), 0);
}

TEST(Repetition, FourPliesInTheTree) {
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  for (int32_t ply = 0; ply < 4; ++ply) {
    TreeMove(ply, KnightDance[ply]);
    EXPECT_EQ(IsRepetition(ply, 0), ply == 3 ? 1 : 0) << ply;
  }
  // Two played moves and two plies of the tree make the same cycle.
  ASSERT_EQ(SetUpPosition("startpos moves g1f3 g8f6"), 1);
  TreeMove(0, "f3g1");
  EXPECT_EQ(IsRepetition(0, 0), 0);
  TreeMove(1, "f6g8");
  EXPECT_EQ(IsRepetition(1, 0), 1);
}

TEST(Repetition, SixPlyCycleOnlyAtTheRoot) {
  const char* triangle[6] = {"e1d1", "e8d8", "d1d2", "d8d7", "d2e1", "d7e8"};
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1"), 1);
  for (int32_t ply = 0; ply < 6; ++ply) TreeMove(ply, triangle[ply]);
  EXPECT_EQ(IsRepetition(5, 0), 0);
  EXPECT_EQ(IsRepetition(5, 1), 1);
  // The same cycle played in the game is found by the root's full scan.
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1 moves e1d1 e8d8 d1d2 d8d7 d2e1"), 1);
  TreeMove(0, "d7e8");
  EXPECT_EQ(IsRepetition(0, 1), 1);
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1 moves e1d1 e8d8 d1d2 d8d7 d2e1"), 1);
  TreeMove(0, "d7e7");
  EXPECT_EQ(IsRepetition(0, 1), 0);
}

TEST(Repetition, IrreversibleMoveInsideBreaksIt) {
  const Move breakers[] = {
      Move{0, 0, Normal, Pawn, Empty},  Move{0, 0, Normal, Knight, Pawn},
      Move{0, 0, CastleShort, King, 0}, Move{0, 0, EnPassant, Pawn, 0},
      Move{0, 0, Promotion, Queen, 0},  NullMoveRecord,
  };
  for (const Move& breaker : breakers) {
    for (int32_t victim = 0; victim < 4; ++victim) {
      ASSERT_EQ(SetUpPosition("startpos"), 1);
      for (int32_t ply = 0; ply < 4; ++ply) TreeMove(ply, KnightDance[ply]);
      Move& record = GameLine[RootSlot + victim];
      record.kind = breaker.kind;
      record.piece = breaker.piece;
      record.captured = breaker.captured;
      EXPECT_EQ(IsRepetition(3, 0), 0) << int(breaker.kind) << " at ply " << victim;
      EXPECT_EQ(IsRepetition(3, 1), 0);
    }
  }
}

TEST(FiftyMoves, ReversibleStretchLength) {
  const std::string played = Repeated(KnightDance, 99);
  ASSERT_EQ(SetUpPosition("startpos moves" + played), 1);
  EXPECT_EQ(ReversibleCount(-1), 99);
  TreeMove(0, "f6g8");
  EXPECT_EQ(ReversibleCount(0), 100);
  ASSERT_EQ(SetUpPosition("startpos moves" + played), 1);
  TreeMove(0, "a7a6");
  EXPECT_EQ(ReversibleCount(0), 0);
  // The clock of a FEN is never read, and nothing before the set-up counts.
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/8/4K3 w - - 99 80 moves e1d1"), 1);
  EXPECT_EQ(ReversibleCount(-1), 1);
  // The count stops at the oldest record of the window.
  ASSERT_EQ(SetUpPosition("startpos moves" + Repeated(KnightDance, 150)), 1);
  EXPECT_EQ(ReversibleCount(-1), 103);
}
