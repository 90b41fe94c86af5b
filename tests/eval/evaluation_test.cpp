#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "eval/eval.h"
#include "search/search.h"

namespace {

constexpr const char* StartPlacement = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";

int32_t Sq(const char* name) { return (name[1] - '1') * 16 + (name[0] - 'a'); }
int32_t CentreSum(int32_t q) { return CentreDistance[q & 7] + CentreDistance[q >> 4]; }

int32_t Prepare(const char* placement, int32_t side) {
  const std::string fen =
      std::string("fen ") + placement + (side == Black ? " b - - 0 1" : " w - - 0 1");
  EXPECT_EQ(SetPosition(fen.c_str()), 1) << placement;
  return PrepareEvaluation();
}

// Evaluates one move at ply 0 of a fresh search line.
int32_t Gain(Move move) {
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  *CurrentMove = move;
  return EvaluateMove();
}

void SetRootFiles(PawnFileRecord record) { PawnFiles[-1] = record; }
bool SameRecord(PawnFileRecord a, PawnFileRecord b) {
  return a.files[0] == b.files[0] && a.files[1] == b.files[1] && a.doubled[0] == b.doubled[0] &&
         a.doubled[1] == b.doubled[1];
}

TEST(PrepareEvaluation, InitialPosition) {
  EXPECT_EQ(Prepare(StartPlacement, White), 0);
  EXPECT_EQ(LastEvaluation.materialTotal, 19712);
  EXPECT_EQ(LastEvaluation.materialBalance, 0);
  EXPECT_EQ(LastEvaluation.gamePhase, 45);
  EXPECT_EQ(LastEvaluation.losingSide, 2);
  EXPECT_EQ(PieceSquare[White][Pawn][Sq("e2")], 14);
  EXPECT_EQ(PieceSquare[White][Pawn][Sq("e3")], 15);
  EXPECT_EQ(PieceSquare[White][Pawn][Sq("e4")], 20);
  EXPECT_EQ(PieceSquare[White][Knight][Sq("g1")], -13);
  EXPECT_EQ(PieceSquare[White][Knight][Sq("f3")], 8);
  for (int32_t q = 0; q < 120; ++q)
    if (IsOnBoard(q)) {
      EXPECT_EQ(PieceSquare[White][King][q], 0) << q;
    }
  EXPECT_TRUE(SameRecord(PawnFiles[-1], PawnFileRecord{{0xFF, 0xFF}, {0, 0}}));
  EXPECT_EQ(Prepare(StartPlacement, Black), 0);
}

// A position and its colour-reversed mirror must get mirrored tables; this catches a side or a
// rank that is handled for White only.
TEST(PrepareEvaluation, MirroredPositionMirrorsTables) {
  const char* placement = "r3k2r/pp1n1ppp/2p1pn2/q2p4/1bPP4/2N1PN2/PP1B1PPP/R2QKB1R";
  const char* mirrored = "r2qkb1r/pp1b1ppp/2n1pn2/1Bpp4/Q2P4/2P1PN2/PP1N1PPP/R3K2R";
  const int32_t score = Prepare(placement, White);
  static int32_t original[2][7][120];
  std::memcpy(original, PieceSquare, sizeof original);
  const PawnFileRecord files = PawnFiles[-1];
  EXPECT_EQ(Prepare(mirrored, Black), score);
  for (int32_t s = White; s <= Black; ++s)
    for (int32_t t = King; t <= Pawn; ++t)
      for (int32_t q = 0; q < 120; ++q)
        if (IsOnBoard(q)) {
          EXPECT_EQ(PieceSquare[1 - s][t][q ^ 0x70], original[s][t][q]) << s << t << q;
        }
  EXPECT_EQ(PawnFiles[-1].files[White], files.files[Black]);
  EXPECT_EQ(PawnFiles[-1].doubled[Black], files.doubled[White]);
}

TEST(PrepareEvaluation, BareKingsCentralise) {
  EXPECT_EQ(Prepare("4k3/8/8/8/8/8/8/4K3", White), 0);
  EXPECT_EQ(LastEvaluation.gamePhase, 0);
  EXPECT_EQ(LastEvaluation.losingSide, 2);
  for (int32_t s = White; s <= Black; ++s)
    for (int32_t q = 0; q < 120; ++q)
      if (IsOnBoard(q)) {
        EXPECT_EQ(PieceSquare[s][King][q], -2 * CentreSum(q));
      }
}

TEST(PrepareEvaluation, MopUpDrivesTheLoneKingToTheEdge) {
  EXPECT_EQ(Prepare("8/8/3k4/8/8/8/4K3/6Q1", Black), -2284);
  EXPECT_EQ(LastEvaluation.losingSide, Black);
  EXPECT_EQ(PieceSquare[Black][King][Sq("d6")], 112);
  EXPECT_EQ(PieceSquare[White][King][Sq("e2")], 92);
  for (int32_t s = White; s <= Black; ++s)
    for (int32_t q = 0; q < 120; ++q) EXPECT_EQ(PieceSquare[s][Queen][q], 0);

  EXPECT_EQ(Prepare("8/8/8/8/6k1/8/8/KR6", White), 1188);
  EXPECT_EQ(LastEvaluation.losingSide, Black);
  // The distance to the losing king on g4 counts files either way.
  EXPECT_EQ(PieceSquare[White][King][Sq("f4")], 124);
  EXPECT_EQ(PieceSquare[White][King][Sq("h4")], 108);
  EXPECT_EQ(PieceSquare[White][King][Sq("d4")], 116);
}

TEST(PrepareEvaluation, MopUpNeedsAWeakDefender) {
  Prepare("4k3/ppppppp1/8/8/8/8/PPPPPPPP/3QK3", White);
  EXPECT_EQ(LastEvaluation.losingSide, 2);  // the defender keeps 1792, more than two bishops
  Prepare("4k3/8/8/8/8/8/8/R2QK3", White);
  EXPECT_EQ(LastEvaluation.losingSide, Black);
  Prepare("4k3/2bb4/8/8/8/8/8/R2QK3", White);
  EXPECT_EQ(LastEvaluation.losingSide, Black);  // exactly two bishops still counts as weak
  Prepare("4kb2/8/8/8/8/8/8/R3K3", Black);
  EXPECT_EQ(LastEvaluation.losingSide, Black);  // ahead by exactly a rook minus a bishop
  Prepare("4kn2/8/8/8/8/8/8/4K1B1", Black);
  EXPECT_EQ(LastEvaluation.losingSide, 2);  // ahead by less than a rook minus a bishop
  Prepare("4k2q/8/8/8/8/8/8/4K3", White);
  EXPECT_EQ(LastEvaluation.losingSide, White);
}

// Below 8448 the shift leaves nothing: the phase is 0 and the kings centralise.
TEST(PrepareEvaluation, PhaseStartsAtTwoQueensTwoRooksAndMore) {
  Prepare("r2qk3/p7/8/8/8/8/P7/R2QKB2", White);  // 8328 in all
  EXPECT_EQ(LastEvaluation.materialTotal, 8328);
  EXPECT_EQ(LastEvaluation.gamePhase, 0);
  EXPECT_EQ(LastEvaluation.losingSide, 2);
  EXPECT_EQ(PieceSquare[White][King][Sq("a1")], -12);
  Prepare("r2qk3/pp6/8/8/8/8/P7/R2QKB2", White);  // one pawn more: 8584
  EXPECT_EQ(LastEvaluation.gamePhase, 1);
  EXPECT_EQ(PieceSquare[White][King][Sq("a1")], 0);
}

TEST(PrepareEvaluation, HomePawnBlocksTheBishopInFrontOfIt) {
  Prepare("7k/8/8/8/8/8/3P4/K7", White);
  const int32_t blocked = PieceSquare[White][Bishop][Sq("d3")];
  Prepare("7k/8/8/8/8/8/7P/K7", White);
  const int32_t open = PieceSquare[White][Bishop][Sq("d3")];
  EXPECT_EQ(blocked, open - 20);
  Prepare("7k/8/8/8/8/3P4/8/K7", White);
  EXPECT_EQ(PieceSquare[White][Bishop][Sq("d3")], open);

  Prepare("k7/3p4/8/8/8/8/8/7K", White);
  const int32_t blackBlocked = PieceSquare[Black][Bishop][Sq("d6")];
  Prepare("k7/7p/8/8/8/8/8/7K", White);
  EXPECT_EQ(blackBlocked, PieceSquare[Black][Bishop][Sq("d6")] - 20);
}

// A Black pawn on c5 with no White pawn on b-d below it is passed: rooks of both sides value
// the c-file from c5 up (behind the pawn, which walks down), not below. A White pawn on b2 stops
// it being passed and lies on none of the c-file's rook lines, so only the bonus changes.
TEST(PrepareEvaluation, RooksLikeTheFileBehindAPassedPawn) {
  const char* squares[5] = {"c4", "c5", "c6", "c7", "c8"};
  int32_t passed[2][5];
  Prepare("4k3/8/8/2p5/8/8/6P1/4K3", White);
  for (int32_t s = White; s <= Black; ++s)
    for (int32_t i = 0; i < 5; ++i) passed[s][i] = PieceSquare[s][Rook][Sq(squares[i])];
  Prepare("4k3/8/8/2p5/8/8/1P4P1/4K3", White);
  for (int32_t s = White; s <= Black; ++s)
    for (int32_t i = 0; i < 5; ++i)
      EXPECT_EQ(passed[s][i], PieceSquare[s][Rook][Sq(squares[i])] + (i ? 16 : 0)) << squares[i];
}

// The search skips quiet moves by the best value of each table, so it must be the true maximum
// over the board, in ordinary and mop-up tables and after the last adjustment of the bishops.
TEST(PrepareEvaluation, BestSquareValueIsEachTablesMaximum) {
  for (const char* placement : {StartPlacement, "4k3/8/8/8/8/8/8/3QK3",
                                "r1bqk2r/pppp1ppp/2n2n2/4p3/1bB1P3/2N2N2/PPPP1PPP/R1BQK2R",
                                "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8"}) {
    for (const int32_t side : {White, Black}) {
      Prepare(placement, side);
      for (int32_t s = White; s <= Black; ++s)
        for (int8_t type = King; type <= Pawn; ++type) {
          int32_t best = INT32_MIN;
          for (int32_t q = 0; q < 120; ++q)
            if ((q & 0x88) == 0) best = std::max(best, PieceSquare[s][type][q]);
          EXPECT_EQ(BestSquareValue[s][type], best)
              << placement << " side " << s << " type " << int32_t(type);
        }
    }
  }
}

TEST(PawnPenalty, IsolatedAndDoubledFiles) {
  Ply = 0;
  PawnFiles[0] = PawnFileRecord{{0x01, 0}, {0, 0}};
  EXPECT_EQ(PawnPenalty(0, White), 20);
  PawnFiles[0] = PawnFileRecord{{0, 0x01}, {0, 0x01}};
  EXPECT_EQ(PawnPenalty(0, Black), 68);
  PawnFiles[0] = PawnFileRecord{{0x0E, 0}, {0x04, 0}};
  EXPECT_EQ(PawnPenalty(0, White), 8);
  PawnFiles[0] = PawnFileRecord{{0x81, 0}, {0, 0}};  // a and h have no neighbour beyond the edge
  EXPECT_EQ(PawnPenalty(0, White), 40);
}

TEST(TakePawnOffFile, DoubledFileStaysOccupied) {
  Ply = 0;
  SetRootFiles(PawnFileRecord{{0x03, 0x01}, {0x01, 0}});
  PawnFiles[0] = PawnFiles[-1];
  EXPECT_EQ(TakePawnOffFile(White, Sq("a3")), 8);
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFileRecord{{0x03, 0x01}, {0, 0}}));
  // Measured against the previous ply (8), not against the step before: a is isolated now.
  EXPECT_EQ(TakePawnOffFile(White, Sq("b2")), 8 - 20);
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFileRecord{{0x01, 0x01}, {0, 0}}));
}

TEST(EvaluateMove, InitialPositionMoves) {
  Prepare(StartPlacement, White);
  EXPECT_EQ(Gain(Move{int16_t(Sq("f3")), int16_t(Sq("g1")), Normal, Knight, Empty}), 21);
  EXPECT_EQ(Gain(Move{int16_t(Sq("e4")), int16_t(Sq("e2")), Normal, Pawn, Empty}), 6);
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFiles[-1]));
  EXPECT_EQ(Gain(Move{int16_t(Sq("g1")), int16_t(Sq("e1")), CastleShort, King, Empty}), 32);
  EXPECT_EQ(Gain(Move{int16_t(Sq("c1")), int16_t(Sq("e1")), CastleLong, King, Empty}), 16);
}

TEST(EvaluateMove, PawnCaptureMovesItsFile) {
  std::memset(PieceSquare, 0, sizeof PieceSquare);
  SideToMove = White, OtherSide = Black;
  const Move bxc3{int16_t(Sq("c3")), int16_t(Sq("b2")), Normal, Pawn, Knight};
  PieceCount = 32;
  SetRootFiles(PawnFileRecord{{0x06, 0}, {0, 0}});  // b and c
  EXPECT_EQ(Gain(bxc3), 760 - 68);                  // c doubled and isolated, nothing before
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFileRecord{{0x04, 0}, {0x04, 0}}));
  SetRootFiles(PawnFileRecord{{0x06, 0}, {0x02, 0}});  // b doubled
  Gain(bxc3);
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFileRecord{{0x06, 0}, {0x04, 0}}));

  // A pawn taken off a file counts for the victim's structure.
  SetRootFiles(PawnFileRecord{{0x02, 0x0C}, {0, 0}});  // White b; Black c and d
  const Move bxc3Pawn{int16_t(Sq("c3")), int16_t(Sq("b2")), Normal, Pawn, Pawn};
  EXPECT_EQ(Gain(bxc3Pawn), 256 + 0 + 20);  // Black's d-pawn is isolated now
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFileRecord{{0x04, 0x08}, {0, 0}}));
}

TEST(EvaluateMove, EnPassantTakesThePawnBesideTheMover) {
  Prepare("4k3/8/8/3pP3/8/8/8/4K3", White);
  const Move exd6{int16_t(Sq("d6")), int16_t(Sq("e5")), EnPassant, Pawn, Empty};
  const int32_t expected = PieceSquare[White][Pawn][Sq("d6")] - PieceSquare[White][Pawn][Sq("e5")] +
                           PieceSquare[Black][Pawn][Sq("d5")] + 256 + (20 - 20) - (20 - 0);
  PieceCount = 3;
  RootScore = 1000;  // no trade bonus for en passant
  EXPECT_EQ(Gain(exd6), expected);
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFileRecord{{0x08, 0}, {0, 0}}));
}

TEST(EvaluateMove, PromotionWithCapture) {
  Prepare("r3k3/1P6/8/8/8/8/P7/4K3", White);
  const Move bxa8{int16_t(Sq("a8")), int16_t(Sq("b7")), Promotion, Queen, Rook};
  const int32_t squares = PieceSquare[White][Queen][Sq("a8")] - PieceSquare[White][Pawn][Sq("b7")] +
                          PieceSquare[Black][Rook][Sq("a8")];
  PieceCount = 20;
  // a and b were neighbours; without the b-pawn the a-pawn is isolated.
  EXPECT_EQ(Gain(bxa8), squares + 2304 - 256 + 1216 - 20);
  EXPECT_TRUE(SameRecord(PawnFiles[0], PawnFileRecord{{0x01, 0}, {0, 0}}));
}

TEST(EvaluateMove, TradeBonusFavoursTheSideAheadTradingPieces) {
  std::memset(PieceSquare, 0, sizeof PieceSquare);
  SetRootFiles(PawnFileRecord{{0, 0}, {0, 0}});
  const Move takesKnight{int16_t(Sq("d5")), int16_t(Sq("c3")), Normal, Knight, Knight};
  const Move takesPawn{int16_t(Sq("d5")), int16_t(Sq("c3")), Normal, Knight, Pawn};
  PieceCount = 11;
  RootScore = 300;
  RootSide = White;
  SideToMove = White, OtherSide = Black;
  EXPECT_EQ(Gain(takesKnight), 760 + 16);
  EXPECT_EQ(Gain(takesPawn), 256 - 16);
  SideToMove = Black, OtherSide = White;
  EXPECT_EQ(Gain(takesKnight), 760 - 16);
  EXPECT_EQ(Gain(takesPawn), 256 + 16);
  RootScore = -300;
  EXPECT_EQ(Gain(takesKnight), 760 + 16);
  RootScore = 192;
  EXPECT_EQ(Gain(takesKnight), 760);
  RootScore = -192;
  EXPECT_EQ(Gain(takesKnight), 760);
  RootScore = 300;
  PieceCount = 12;
  EXPECT_EQ(Gain(takesKnight), 760);
}

}  // namespace
