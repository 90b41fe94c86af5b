#include <gtest/gtest.h>

#include "search/search.h"

namespace {

constexpr Move KnightMove{0x25, 0x06, Normal, Knight, Empty};  // g1f3
constexpr Move BishopMove{0x42, 0x05, Normal, Bishop, Empty};
constexpr Move RookMove{0x05, 0x07, Normal, Rook, Empty};

class KillerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Ply = 3;
    CurrentMove = GameLine + RootSlot + Ply;
    CurrentMove[-1] = Move{0x44, 0x64, Normal, Pawn, Empty};
    ClearKillers();
  }
  void TearDown() override {
    Ply = 0;
    CurrentMove = GameLine + RootSlot;
  }
};

TEST_F(KillerTest, SlotsRotateAndDropTheOldest) {
  StoreKiller(KnightMove);
  EXPECT_TRUE(SameMove(Killers[3][0], KnightMove));
  EXPECT_EQ(Killers[3][1].kind, LineEnd);
  StoreKiller(KnightMove);  // already first: nothing changes
  EXPECT_EQ(Killers[3][1].kind, LineEnd);
  StoreKiller(BishopMove);
  EXPECT_TRUE(SameMove(Killers[3][0], BishopMove));
  EXPECT_TRUE(SameMove(Killers[3][1], KnightMove));
  StoreKiller(KnightMove);  // from slot 1 to the front
  EXPECT_TRUE(SameMove(Killers[3][0], KnightMove));
  EXPECT_TRUE(SameMove(Killers[3][1], BishopMove));
  StoreKiller(RookMove);  // a third move drops the old slot 1
  EXPECT_TRUE(SameMove(Killers[3][0], RookMove));
  EXPECT_TRUE(SameMove(Killers[3][1], KnightMove));
  EXPECT_EQ(Killers[2][0].kind, LineEnd);
}

TEST_F(KillerTest, RecapturesEnPassantAndNullMovesAreNotKept) {
  StoreKiller(Move{0x44, 0x35, Normal, Pawn, Pawn});  // onto the square just moved to
  StoreKiller(Move{0x55, 0x44, EnPassant, Pawn, Empty});
  StoreKiller(NullMoveRecord);
  StoreKiller(LineEndRecord);
  EXPECT_EQ(Killers[3][0].kind, LineEnd);
}

}  // namespace
