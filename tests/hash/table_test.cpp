#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"

namespace {

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepareTables(1);
    std::fill_n(TranspositionTable, TableEntryCount, HashEntry{});
    KeyIndex = 12345;
    KeyCheck = 0xC0FFEE;
  }
  static int16_t Probe(int32_t alpha, int32_t beta, int32_t depth, bool expectHit = true) {
    int16_t score = 7777;
    EXPECT_EQ(ProbeTable(alpha, beta, depth, score), expectHit ? 1 : 0);
    return score;
  }
};

TEST_F(TableTest, SizeFollowsTheHashOption) {
  EXPECT_EQ(TableEntryCount, 131072u);
  PrepareTables(3);
  EXPECT_EQ(TableEntryCount, 3u * 131072u);
  PrepareTables(1);
}

// The table starts on a large-page boundary (the point of its own mapping), every resize gives a
// zero-filled table, and the old one is returned.
TEST_F(TableTest, EachSizeGetsAZeroedTableOnALargePageBoundary) {
  for (const int32_t megabytes : {3, 1, 5, 1}) {
    TranspositionTable[0].check = 0xDEAD;  // written into the table about to be replaced
    PrepareTables(megabytes);
    ASSERT_NE(TranspositionTable, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(TranspositionTable) % (uintptr_t(2) << 20), 0u);
    EXPECT_NE(TableMemory.base, nullptr);
    const HashEntry* begin = TranspositionTable;
    const HashEntry* end = begin + TableEntryCount;
    EXPECT_TRUE(std::all_of(begin, end, [](const HashEntry& e) {
      return e.check == 0 && e.score == 0 && e.depth == 0 && e.bound == 0;
    }));
  }
}

TEST_F(TableTest, FreshTableAnswersNothing) { Probe(-100, 100, 1, false); }

TEST_F(TableTest, ExactScoreIsClippedIntoTheWindow) {
  StoreTable(-100, 100, 4, 50);
  EXPECT_EQ(Probe(-100, 100, 4), 50);
  EXPECT_EQ(Probe(-100, 100, 2), 50);
  EXPECT_EQ(Probe(0, 30, 4), 30);
  EXPECT_EQ(Probe(60, 90, 4), 60);
  EXPECT_EQ(Probe(-100, 100, 5, false), 7777);
}

TEST_F(TableTest, BoundsStoreTheWindowEdges) {
  StoreTable(-100, 100, 4, 120);
  EXPECT_EQ(TranspositionTable[KeyIndex % TableEntryCount].score, 100);
  EXPECT_EQ(Probe(-200, 100, 4), 100);
  EXPECT_EQ(Probe(-200, 80, 4), 80);
  Probe(-200, 101, 4, false);

  StoreTable(-100, 100, 5, -150);
  EXPECT_EQ(TranspositionTable[KeyIndex % TableEntryCount].bound, UpperBound);
  EXPECT_EQ(Probe(-100, 50, 4), -100);
  EXPECT_EQ(Probe(-80, 50, 4), -80);
  Probe(-101, 50, 4, false);
}

TEST_F(TableTest, ReplacementPrefersDepthForTheSamePositionOnly) {
  StoreTable(-100, 100, 6, 10);
  StoreTable(-100, 100, 3, 20);
  EXPECT_EQ(Probe(-100, 100, 6), 10);
  StoreTable(-100, 100, 6, 30);
  EXPECT_EQ(Probe(-100, 100, 6), 30);
  KeyCheck = 0xBEEF;  // another position in the same slot
  StoreTable(-100, 100, 1, 40);
  EXPECT_EQ(Probe(-100, 100, 1), 40);
  KeyCheck = 0xC0FFEE;
  Probe(-100, 100, 1, false);
}

TEST_F(TableTest, NoTableMeansEveryProbeMissesAndStoresAreDropped) {
  FreeTable();
  StoreTable(-100, 100, 4, 50);
  Probe(-100, 100, 1, false);
  PrepareTables(1);
}

}  // namespace
