#include <gtest/gtest.h>

#include "search/movegen.h"
#include "support/position_fixture.h"

namespace {
int32_t Attacks(int8_t type, const char* origin, const char* target) {
  return PieceAttacks(type, SquareOf(origin), SquareOf(target));
}
}  // namespace

TEST(AttackVectors, TableContents) {
  PrepareTablesForTests();
  EXPECT_EQ(AttackVectors[0].attackers, 0);
  EXPECT_EQ(AttackVectors[1].attackers, 7);
  EXPECT_EQ(AttackVectors[-16].attackers, 7);
  EXPECT_EQ(AttackVectors[17].attackers, 11);
  EXPECT_EQ(AttackVectors[-15 * 7].attackers, 10);
  EXPECT_EQ(AttackVectors[-15 * 7].step, -15);
  EXPECT_EQ(AttackVectors[112].attackers, 6);
  EXPECT_EQ(AttackVectors[112].step, 16);
  EXPECT_EQ(AttackVectors[33].attackers, 16);
  EXPECT_EQ(AttackVectors[34].attackers, 10);
  EXPECT_EQ(AttackVectors[120].attackers, 0);
  EXPECT_EQ(AttackVectors[-120].attackers, 0);
  int32_t lines = 0;
  for (int32_t d = -120; d <= 120; ++d) lines += AttackVectors[d].attackers != 0;
  EXPECT_EQ(lines, 8 * 7 + 8);
  for (int32_t d = -120; d <= 120; ++d) EXPECT_EQ(AttackVectors[d].attackers & 32, 0);
}

TEST(PieceAttacks, LinesJumpsAndBlocks) {
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 1"), 1);
  EXPECT_TRUE(Attacks(Rook, "a1", "a8"));
  for (int8_t type = Empty; type <= Pawn; ++type) EXPECT_FALSE(Attacks(type, "c3", "c3"));
  EXPECT_FALSE(Attacks(Pawn, "e2", "d3"));
  ASSERT_EQ(SetUpPosition("fen n3k3/8/8/8/b7/8/8/R3K3 w - - 0 1"), 1);
  EXPECT_TRUE(Attacks(Rook, "a1", "a4"));
  EXPECT_FALSE(Attacks(Rook, "a1", "a8"));
  ASSERT_EQ(SetUpPosition("fen N3k3/8/8/8/N7/8/8/R3K3 w - - 0 1"), 1);
  EXPECT_FALSE(Attacks(Rook, "a1", "a8"));

  ASSERT_EQ(SetUpPosition("startpos"), 1);
  EXPECT_FALSE(Attacks(Queen, "d1", "h5"));
  ASSERT_EQ(SetUpPosition("startpos moves e2e4"), 1);
  EXPECT_TRUE(Attacks(Queen, "d1", "h5"));
  EXPECT_TRUE(Attacks(Knight, "g1", "f3"));
  EXPECT_TRUE(Attacks(Knight, "g1", "h3"));
  EXPECT_TRUE(Attacks(Knight, "g1", "e2"));
  EXPECT_FALSE(Attacks(Knight, "a1", "c3"));
  EXPECT_FALSE(Attacks(Bishop, "a1", "c3"));  // b2 stands between
  EXPECT_TRUE(Attacks(Bishop, "f1", "a6"));
  EXPECT_TRUE(Attacks(Knight, "c1", "a2"));
  EXPECT_FALSE(Attacks(King, "e1", "e3"));
  EXPECT_TRUE(Attacks(King, "e1", "f2"));
}

TEST(IsAttacked, PawnsPiecesAndCaptures) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4"), 1);
  EXPECT_TRUE(IsAttacked(White, SquareOf("d5")));
  EXPECT_TRUE(IsAttacked(White, SquareOf("f5")));
  EXPECT_FALSE(IsAttacked(White, SquareOf("e5")));
  EXPECT_TRUE(IsAttacked(White, SquareOf("f2")));  // by its own king: occupants do not matter
  EXPECT_FALSE(IsAttacked(Black, SquareOf("e4")));
  // Edge-file pawns look only at real squares.
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/P6P/8/8/4K3 b - - 0 1"), 1);
  EXPECT_TRUE(IsAttacked(White, SquareOf("b5")));
  EXPECT_TRUE(IsAttacked(White, SquareOf("g5")));
  EXPECT_FALSE(IsAttacked(White, SquareOf("a5")));
  EXPECT_FALSE(IsAttacked(White, SquareOf("h5")));
  // A captured piece attacks nothing; a promoted queen attacks at once.
  ASSERT_EQ(SetUpPosition("fen 1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1"), 1);
  EXPECT_TRUE(IsAttacked(Black, SquareOf("b1")));
  const Move promotion{int16_t(SquareOf("b8")), int16_t(SquareOf("a7")), Promotion, Queen, Rook};
  MakeMove(promotion);
  EXPECT_FALSE(IsAttacked(Black, SquareOf("b1")));
  EXPECT_TRUE(IsAttacked(White, SquareOf("h2")));
  UnmakeMove(promotion);
  EXPECT_TRUE(IsAttacked(Black, SquareOf("b1")));
}

TEST(IsAttacked, ColourWithoutPieces) {
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  const int32_t lastOfficer = LastOfficer[Black], lastEntry = LastEntry[Black];
  LastOfficer[Black] = LastEntry[Black] = -1;
  for (int32_t square = 0; square < 120; ++square) {
    if (Board[square].colour == Black) Board[square].type = Empty;
  }
  RebuildSquareSets();
  for (int32_t square = 0; square < 120; ++square) {
    if (IsOnBoard(square)) {
      EXPECT_FALSE(IsAttacked(Black, square)) << square;
    }
  }
  LastOfficer[Black] = lastOfficer;
  LastEntry[Black] = lastEntry;
  ASSERT_EQ(SetUpPosition("startpos"), 1);
}

namespace {
int32_t Disagreements;
int32_t Compared;

// For every generated move: the legality worked out on the square sets before the move must
// agree with the attack test after making it.
struct LegalityBeforeMakingSink {
  static int32_t Try(SearchNode&) {
    const Move& move = *CurrentMove;
    if (move.kind != Normal && move.kind != Promotion) return 0;
    const int32_t mover = SideToMove;
    const int32_t before = MoveLeavesKingAttacked(move);
    MakeMove(move);
    const int32_t after = IsAttacked(int8_t(OtherSide), PieceList[mover][0].square);
    UnmakeMove(move);
    ++Compared;
    if (before != after) {
      ++Disagreements;
      ADD_FAILURE() << MoveToText(move);
    }
    return 0;
  }
};
}  // namespace

TEST(MoveLeavesKingAttacked, AgreesWithMakingTheMove) {
  Disagreements = Compared = 0;
  for (const char* position :
       {"startpos moves e2e4 d7d5 e4d5 d8d5 b1c3 d5a5",
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "fen 4k3/8/8/8/1b6/8/3P4/4K2q w - - 0 1",  // pinned pawn, king in check along the rank
        "fen 4k3/4r3/8/8/8/8/4N3/r3K3 w - - 0 1",
        "fen 7R/4k3/8/8/8/8/8/4K2r w - - 0 1"}) {  // the checking rook can be taken
    ASSERT_EQ(SetUpPosition(position), 1) << position;
    Ply = 0;
    CurrentMove = GameLine + RootSlot;
    GenerateAllMoves<LegalityBeforeMakingSink>(NodeStack[0]);
  }
  EXPECT_GT(Compared, 100);
  EXPECT_EQ(Disagreements, 0);
}

// The attacked set must hold exactly the squares IsAttacked answers yes for: sliders stop at the
// first piece of either colour on every line, pawns capture towards their side's far end, and
// pieces on the board's edges do not wrap around.
TEST(AttackedSquares, AgreesWithIsAttackedOnEverySquare) {
  for (const char* position :
       {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "fen Q6q/1b4B1/4k3/3R4/8/8/1B4b1/q1K4Q w - - 0 1", "fen 7R/r7/8/8/8/8/7r/R3K2k w - - 0 1",
        "startpos"}) {
    ASSERT_EQ(SetUpPosition(position), 1) << position;
    for (const int32_t colour : {White, Black}) {
      const uint64_t attacked = AttackedSquares(ReadAttackerSets(colour), Occupied());
      for (int32_t bit = 0; bit < 64; ++bit) {
        const int32_t square = BitSquare(bit);
        EXPECT_EQ((attacked >> bit & 1) != 0, IsAttacked(int8_t(colour), square) != 0)
            << position << " colour " << colour << " square " << square;
      }
    }
  }
}
