#include <gtest/gtest.h>

#include <string>

#include "frontend/frontend.h"
#include "position/position.h"

namespace {

int32_t Budget(const char* arguments, int32_t side = White) {
  SideToMove = side;
  OtherSide = 1 - side;
  return ParseGo(arguments);
}

TEST(ParseGo, BudgetTable) {
  EXPECT_EQ(Budget("wtime 60000"), 1600);
  EXPECT_EQ(Budget("wtime 60000 winc 1000"), 3500);
  EXPECT_EQ(Budget("wtime 10000 movestogo 1"), 9200);
  EXPECT_EQ(Budget("wtime 300000 movestogo 40"), 6825);
  EXPECT_EQ(Budget("wtime 1000 winc 5000"), 950);
  EXPECT_EQ(Budget("wtime 200"), 1);
  EXPECT_EQ(Budget(""), 1);
  EXPECT_EQ(Budget("wtime -5000"), 1);
  EXPECT_EQ(PonderOrInfinite.load(), 0);
}

TEST(ParseGo, ReadsTheClockOfTheSideToMove) {
  EXPECT_EQ(Budget("wtime 60000 btime 30000", Black), 650);
  EXPECT_EQ(Budget("WTIME 60000"), 1);  // keys are case-sensitive
  EXPECT_EQ(Budget("wtime 60000 movestogo 0"), 1600);
  EXPECT_EQ(Budget("wtime 60000 winc 1000 movestogo 0"), 3500);
}

TEST(ParseGo, PonderAndInfiniteStillComputeTheBudget) {
  EXPECT_EQ(Budget("ponder wtime 60000"), 1600);
  EXPECT_EQ(PonderOrInfinite.load(), 1);
  EXPECT_EQ(Budget("infinite"), 1);
  EXPECT_EQ(PonderOrInfinite.load(), 1);
  Budget("wtime 1000");
  EXPECT_EQ(PonderOrInfinite.load(), 0);
}

TEST(ParseGo, DepthNodesAndMovetimeLimits) {
  Budget("depth 7");
  EXPECT_EQ(Limits.depth, 7);
  EXPECT_EQ(Limits.clock, 0);
  Budget("depth 99");
  EXPECT_EQ(Limits.depth, 63);
  Budget("depth 5 wtime 60000");
  EXPECT_EQ(Limits.clock, 1);
  EXPECT_EQ(Budget("movetime 2500"), 2500);
  EXPECT_EQ(Limits.hardBudget, 1);
  EXPECT_EQ(Limits.clock, 1);
  Budget("nodes 5000");
  EXPECT_EQ(Limits.nodes, 5000u);
  EXPECT_EQ(Limits.clock, 0);
  Budget("wtime 60000");
  EXPECT_EQ(Limits.depth, 63);
  EXPECT_EQ(Limits.nodes, 0u);
  EXPECT_EQ(Limits.clock, 1);
  EXPECT_EQ(Limits.hardBudget, 0);
  EXPECT_EQ(Budget("wtime 99999999999"), 68003348);  // saturated clock, no overflow
}

TEST(CheckTime, CountsNodesAndStopsAtTheNodeLimit) {
  // Limits below, at and beyond the clock readings every 4096 nodes.
  for (const int32_t limit : {1, 4095, 4096, 4097, 5000, 8192, 12289}) {
    Budget(("nodes " + std::to_string(limit)).c_str());
    StopRequested = 0;
    ResetNodeCount();
    SearchStartTick = TickCount();
    int32_t polls = 0;
    while (!CheckTime()) ++polls;
    EXPECT_EQ(polls, limit - 1);
    EXPECT_EQ(NodeCount(), uint64_t(limit));
    EXPECT_EQ(CheckTime(), 1);  // already stopped: no counting
    EXPECT_EQ(NodeCount(), uint64_t(limit));
  }
  StopRequested = 0;
}

TEST(CheckTime, StopsWhenTheBudgetIsSpentOnlyAtAClockReading) {
  Budget("wtime 200");  // budget 1 ms
  StopRequested = 0;
  ResetNodeCount();
  SearchStartTick = TickCount() - 1000;
  for (int i = 0; i < 4095; ++i) ASSERT_EQ(CheckTime(), 0);
  EXPECT_EQ(CheckTime(), 1);
  EXPECT_EQ(KiloNodes, 4);
  StopRequested = 0;
}

}  // namespace
