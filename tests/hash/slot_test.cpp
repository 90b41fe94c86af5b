// The slot is computed with multiplications instead of a division; it must be the true remainder
// for every key, or positions would land in other slots and every node count would change.
#include <gtest/gtest.h>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"
#include "search/movegen.h"
#include "support/position_fixture.h"

namespace {

TEST(TableSlot, IsTheRemainderOfTheIndexKeyForEverySize) {
  const uint32_t savedKey = KeyIndex;
  const uint32_t keys[] = {0u,          1u,          131071u,     131072u,    393215u,
                           0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
  for (const int32_t megabytes : {1, 3, 5, 7, 100}) {
    PrepareTables(megabytes);
    ASSERT_NE(TranspositionTable, nullptr);
    uint32_t random = 2463534242u;
    for (int32_t i = 0; i < 20000; ++i) {
      random ^= random << 13;
      random ^= random >> 17;
      random ^= random << 5;
      KeyIndex = i < int32_t(std::size(keys)) ? keys[i] : random;
      ASSERT_EQ(TableSlot() - TranspositionTable, KeyIndex % TableEntryCount)
          << "key " << KeyIndex << ", " << megabytes << " MB";
    }
  }
  PrepareTables(1);
  KeyIndex = savedKey;
}

// The slot a move's child will probe is asked for before the move is made; a slip in that key
// arithmetic would never show in a node count, only in lost speed.
int32_t SlotsChecked;
struct SlotAfterSink {
  static int32_t Try(SearchNode&) {
    const Move& move = *CurrentMove;
    if (move.kind != Normal) return 0;
    const HashEntry* predicted = SlotAfter(move);
    MakeMove(move);
    EXPECT_EQ(predicted, TableSlot()) << MoveToText(move);
    UnmakeMove(move);
    ++SlotsChecked;
    return 0;
  }
};

TEST(TableSlot, SlotAfterAMoveIsTheSlotOnceItIsMade) {
  PrepareTables(3);
  SlotsChecked = 0;
  for (const char* position :
       {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1 moves g1h1"}) {
    ASSERT_EQ(SetUpPosition(position), 1) << position;
    Ply = 0;
    CurrentMove = GameLine + RootSlot;
    GenerateAllMoves<SlotAfterSink>(NodeStack[0]);
    const HashEntry* predicted = SlotAfter(NullMoveRecord);
    MakeMove(NullMoveRecord);
    EXPECT_EQ(predicted, TableSlot()) << "null move";
    UnmakeMove(NullMoveRecord);
  }
  EXPECT_GT(SlotsChecked, 80);
  PrepareTables(1);
}

}  // namespace
