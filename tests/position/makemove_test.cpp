#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "hash/hash.h"
#include "search/movegen.h"
#include "search/search.h"
#include "support/position_fixture.h"

namespace {
std::set<int32_t> KindsSeen;
int32_t CapturesSeen;
int32_t Failures;

void SwapSides() {
  SideToMove = OtherSide;
  OtherSide = 1 - SideToMove;
}

// Plays every generated move two plies deep and checks that each make gives the keys from scratch
// and each unmake restores the whole position.
struct RoundTripSink {
  static int32_t Try(SearchNode& node) {
    const Move move = *CurrentMove;
    const PositionSnapshot before = TakeSnapshot();
    KindsSeen.insert(move.kind);
    if (move.captured != Empty) ++CapturesSeen;
    MakeMove(move);
    SwapSides();
    uint32_t check, index;
    ComputeKeys(check, index);
    if (check != KeyCheck || index != KeyIndex || !PositionIsConsistent()) {
      ADD_FAILURE() << "after " << MoveToText(move);
      ++Failures;
    }
    if (node.depth > 1 && Failures == 0) {
      NodeStack[Ply + 1].depth = int16_t(node.depth - 1);
      ++Ply;
      ++CurrentMove;
      GenerateEverything(NodeStack[Ply]);
      --CurrentMove;
      --Ply;
    }
    SwapSides();
    UnmakeMove(move);
    const std::string difference = Difference(TakeSnapshot(), before);
    if (!difference.empty()) {
      ADD_FAILURE() << "unmake of " << MoveToText(move) << ": " << difference;
      ++Failures;
    }
    return Failures > 0;
  }

  static void GenerateEverything(SearchNode& node) { GenerateAllMoves<RoundTripSink>(node); }
};
}  // namespace

TEST(MakeUnmake, EveryMoveKindRestoresEverything) {
  KindsSeen.clear();
  CapturesSeen = Failures = 0;
  const char* positions[] = {
      "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1 moves g1h1",
      "startpos moves e2e4 a7a6 e4e5 d7d5",
      "fen 4k3/8/8/8/1pP5/8/8/4K3 w - - 0 1 moves c4c5 b4b3 c5c6 d7d5",
  };
  for (const char* position : positions) {
    ASSERT_EQ(SetUpPosition(position), 1) << position;
    Ply = 0;
    CurrentMove = GameLine + RootSlot;
    NodeStack[0].depth = 2;
    RoundTripSink::GenerateEverything(NodeStack[0]);
    ASSERT_EQ(Failures, 0) << position;
  }
  for (const int32_t kind : {Normal, EnPassant, Promotion, CastleShort, CastleLong}) {
    EXPECT_TRUE(KindsSeen.count(kind)) << "kind " << kind;
  }
  EXPECT_GT(CapturesSeen, 0);
}

namespace {
// A move made without the keys must change everything else exactly as with them, leave the keys
// as they were, and be taken back without a trace.
struct KeylessSink {
  static int32_t Try(SearchNode&) {
    const Move move = *CurrentMove;
    const PositionSnapshot before = TakeSnapshot();
    MakeMove(move);
    PositionSnapshot keyed = TakeSnapshot();
    uint64_t keyedSets[2][8];
    std::memcpy(keyedSets, SquareSets, sizeof keyedSets);
    UnmakeMove(move);
    MakeMove<false>(move);
    keyed.keyCheck = before.keyCheck;
    keyed.keyIndex = before.keyIndex;
    EXPECT_EQ(Difference(TakeSnapshot(), keyed), "") << MoveToText(move);
    EXPECT_EQ(std::memcmp(keyedSets, SquareSets, sizeof keyedSets), 0) << MoveToText(move);
    UnmakeMove<false>(move);
    EXPECT_EQ(Difference(TakeSnapshot(), before), "") << "unmake of " << MoveToText(move);
    KindsSeen.insert(move.kind);
    return 0;
  }
};
}  // namespace

TEST(MakeUnmake, WithoutKeysEverythingButTheKeysChanges) {
  KindsSeen.clear();
  for (const char* position :
       {"fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1 moves g1h1",
        "startpos moves e2e4 a7a6 e4e5 d7d5"}) {
    ASSERT_EQ(SetUpPosition(position), 1) << position;
    Ply = 0;
    CurrentMove = GameLine + RootSlot;
    GenerateAllMoves<KeylessSink>(NodeStack[0]);
  }
  for (const int32_t kind : {Normal, EnPassant, Promotion, CastleShort, CastleLong})
    EXPECT_TRUE(KindsSeen.count(kind)) << "kind " << kind;
}

TEST(MakeUnmake, NullMoveChangesOnlyTheSideWords) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4"), 1);
  const PositionSnapshot before = TakeSnapshot();
  MakeMove(NullMoveRecord);
  PositionSnapshot after = TakeSnapshot();
  EXPECT_EQ(after.keyCheck, before.keyCheck ^ SideWord(CheckBank));
  EXPECT_EQ(after.keyIndex, before.keyIndex ^ SideWord(IndexBank));
  after.keyCheck = before.keyCheck;
  after.keyIndex = before.keyIndex;
  EXPECT_EQ(Difference(after, before), "");
  UnmakeMove(NullMoveRecord);
  EXPECT_EQ(Difference(TakeSnapshot(), before), "");
}

TEST(MakeUnmake, CastlingMovesTheRookAndItsEntry) {
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"), 1);
  const int32_t rookEntry = Board[SquareOf("h1")].listIndex;
  MakeMove(Move{int16_t(SquareOf("g1")), int16_t(SquareOf("e1")), CastleShort, King, Empty});
  EXPECT_EQ(Board[SquareOf("g1")].type, King);
  EXPECT_EQ(Board[SquareOf("f1")].type, Rook);
  EXPECT_EQ(Board[SquareOf("h1")].type, Empty);
  EXPECT_EQ(PieceList[White][rookEntry].square, SquareOf("f1"));
  EXPECT_EQ(PieceList[White][0].square, SquareOf("g1"));

  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1"), 1);
  const int32_t blackRook = Board[SquareOf("a8")].listIndex;
  MakeMove(Move{int16_t(SquareOf("c8")), int16_t(SquareOf("e8")), CastleLong, King, Empty});
  EXPECT_EQ(Board[SquareOf("c8")].type, King);
  EXPECT_EQ(Board[SquareOf("d8")].type, Rook);
  EXPECT_EQ(Board[SquareOf("a8")].type, Empty);
  EXPECT_EQ(PieceList[Black][blackRook].square, SquareOf("d8"));
}

TEST(MakeUnmake, EnPassantAndPromotionBookkeeping) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4 a7a6 e4e5 d7d5"), 1);
  const int32_t d5 = SquareOf("d5");
  const int32_t victim = Board[d5].listIndex;
  const Move capture{int16_t(SquareOf("d6")), int16_t(SquareOf("e5")), EnPassant, Pawn, Empty};
  MakeMove(capture);
  EXPECT_EQ(Board[d5].type, Empty);
  EXPECT_EQ(PieceCount, 31);
  EXPECT_EQ(PieceList[Black][victim].type, Empty);
  UnmakeMove(capture);
  EXPECT_EQ(PieceList[Black][victim].type, Pawn);
  EXPECT_EQ(Board[d5].listIndex, victim);
  EXPECT_EQ(PieceCount, 32);

  ASSERT_EQ(SetUpPosition("fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1"), 1);
  ASSERT_EQ(LastOfficer[White], 0);
  const int32_t pawn = Board[SquareOf("b7")].listIndex;
  const Move promotion{int16_t(SquareOf("b8")), int16_t(SquareOf("b7")), Promotion, Knight, Empty};
  MakeMove(promotion);
  EXPECT_EQ(PieceList[White][pawn].type, Knight);
  EXPECT_EQ(Board[SquareOf("b8")].type, Knight);
  EXPECT_EQ(LastOfficer[White], pawn);
  UnmakeMove(promotion);
  EXPECT_EQ(PieceList[White][pawn].type, Pawn);
  EXPECT_EQ(LastOfficer[White], 0);
}
