#include <gtest/gtest.h>

#include <string>

#include "frontend/frontend.h"
#include "search/search.h"

namespace {

Move Quiet(const char* text) {
  const int32_t from = (text[0] - 'a') + (text[1] - '1') * 16;
  const int32_t to = (text[2] - 'a') + (text[3] - '1') * 16;
  return Move{int16_t(to), int16_t(from), Normal, Board[from].type, Board[to].type};
}

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override { PrepareTables(1); }
  void TearDown() override {
    while (Ply > 0) Retract();
    Ply = 0;
    CurrentMove = GameLine + RootSlot;
  }
  // Plays a move at the current ply as the search does, and asks whether it is drawn.
  int32_t Play(const char* text) {
    CurrentMove = GameLine + RootSlot + Ply;
    *CurrentMove = Quiet(text);
    MakeMove(*CurrentMove);
    made_[Ply] = true;
    return CheckDraw(NodeStack[Ply]);
  }
  void Advance() {
    std::swap(SideToMove, OtherSide);
    ++Ply;
  }
  void Retract() {
    if (made_[Ply]) {
      UnmakeMove(GameLine[RootSlot + Ply]);
      made_[Ply] = false;
    }
    --Ply;
    std::swap(SideToMove, OtherSide);
  }
  void Finish() {
    if (made_[Ply]) UnmakeMove(GameLine[RootSlot + Ply]);
    made_[Ply] = false;
  }
  bool made_[64] = {};
};

TEST_F(DrawTest, RootMoveRepeatingAnEarlierPositionOfTheGame) {
  SetPosition("startpos moves g1f3 g8f6 f3g1 f6g8");
  NodeStack[0].moveScore = 99;
  EXPECT_EQ(Play("g1f3"), 1);
  EXPECT_EQ(NodeStack[0].moveScore, 0);
  Finish();
  EXPECT_EQ(Play("b1c3"), 0);
  Finish();
}

TEST_F(DrawTest, FourPliesOutAndBackInTheTree) {
  SetPosition("startpos");
  EXPECT_EQ(Play("g1f3"), 0);
  Advance();
  EXPECT_EQ(Play("g8f6"), 0);
  Advance();
  EXPECT_EQ(Play("f3g1"), 0);
  Advance();
  EXPECT_EQ(Play("f6g8"), 1);
  Finish();
}

TEST_F(DrawTest, FourPliesThatBeginWithPlayedMoves) {
  SetPosition("startpos moves g1f3 g8f6");
  EXPECT_EQ(Play("f3g1"), 0);
  Advance();
  EXPECT_EQ(Play("f6g8"), 1);
  Finish();
}

TEST_F(DrawTest, SixPlyCycleIsNotSeenBelowTheRoot) {
  SetPosition("fen 4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  const char* cycle[] = {"e1d1", "e8d8", "d1d2", "d8d7", "d2e1", "d7e8"};
  int32_t draws = 0;
  for (int i = 0; i < 6; ++i) {
    if (i) Advance();
    draws += Play(cycle[i]);
  }
  EXPECT_EQ(draws, 0);
  Finish();
}

TEST_F(DrawTest, FiftyReversibleMovesAtTheRootOnly) {
  std::string moves = "fen 4k3/7p/8/8/8/8/4P3/RN2K2R w - - 0 1 moves";
  const char* shuffle[] = {"b1c3", "e8d8", "c3b1", "d8e8"};
  for (int i = 0; i < 99; ++i) {
    moves += ' ';
    moves += shuffle[i % 4];
  }
  SetPosition(moves.c_str());
  EXPECT_EQ(ReversibleCount(-1), 99);
  EXPECT_EQ(Play("d8c8"), 1);
  EXPECT_EQ(ReversibleCount(0), 100);
  Finish();
  EXPECT_EQ(Play("h7h6"), 0);
  Finish();
}

}  // namespace
