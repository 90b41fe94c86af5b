// The time budget and limits of "go", the poll that enforces them, and the text routines that
// read untrusted input.
#include "frontend/frontend.h"

#include <gtest/gtest.h>

#include "support/support.h"

namespace {
TEST(ParseGo, RowsOfBudgetsAndLimits) {
  for (const auto& row : ReadRows("go.txt")) {
    SideToMove = row[1] == "w" ? White : Black;
    OtherSide = 1 - SideToMove;
    const int32_t budget = ParseGo(row[0].c_str());
    const std::string got = std::to_string(budget) + " " + std::to_string(Limits.depth) + " " +
                            std::to_string(Limits.nodes) + " " + std::to_string(Limits.clock) +
                            " " + std::to_string(Limits.hardBudget) + " " +
                            std::to_string(PonderOrInfinite.load());
    EXPECT_EQ(got,
              row[2] + " " + row[3] + " " + row[4] + " " + row[5] + " " + row[6] + " " + row[7])
        << "go " << row[0];
  }
}

// Limits below, at and beyond the clock readings every 4096 nodes stop the search at that count.
TEST(CheckTime, StopsExactlyAtTheNodeLimit) {
  for (const int32_t limit : {1, 4095, 4096, 4097, 5000, 8192, 12289}) {
    ParseGo(("nodes " + std::to_string(limit)).c_str());
    StopRequested = 0;
    ResetNodeCount();
    SearchStartTick = TickCount();
    int32_t polls = 1;
    while (!CheckTime()) ++polls;
    EXPECT_EQ(polls, limit);
    EXPECT_EQ(CheckTime(), 1);  // stopped: no more counting
    EXPECT_EQ(NodeCount(), uint64_t(limit));
  }
  StopRequested = 0;
}

TEST(TextRoutines, NumbersSaturateFieldsSplitReplacementsAreNotRescanned) {
  EXPECT_EQ(ReadNumber("  42xyz"), 42);
  EXPECT_EQ(ReadNumber("-17"), -17);
  EXPECT_EQ(ReadNumber("abc"), 0);
  EXPECT_EQ(ReadNumber("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(ReadNumber("-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(ReadUnsigned("999999999999999999999999"), UINT64_MAX);
  std::string field;
  EXPECT_EQ(GetField(field, 2, "e2e4 e7e5", ' '), 0);
  EXPECT_EQ(field, "e7e5");
  EXPECT_EQ(GetField(field, 2, "e2e4 ", ' '), -1);
  EXPECT_EQ(GetField(field, 0, "e2e4", ' '), -1);
  std::string text = "    ";
  EXPECT_EQ(ReplaceAll(text, "  ", " "), 2);
  EXPECT_EQ(text, "  ");
  text = "ab";
  EXPECT_EQ(ReplaceAll(text, "b", "bbb"), 1);
  EXPECT_EQ(text, "abbb");
  EXPECT_EQ(FindText("name hash value 64", "Hash value "), nullptr);
}
}  // namespace
