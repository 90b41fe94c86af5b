// The time budget and limits of "go", and the text routines that read untrusted input.
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

// Numbers from untrusted text saturate; a replacement is never scanned again.
TEST(TextRoutines, NumbersSaturateAndReplacementsAreNotRescanned) {
  EXPECT_EQ(ReadNumber("-99999999999999999999"), INT32_MIN);
  EXPECT_EQ(ReadUnsigned("999999999999999999999999"), UINT64_MAX);
  std::string text = "    ";
  EXPECT_EQ(ReplaceAll(text, "  ", " "), 2);
  EXPECT_EQ(text, "  ");
}
}  // namespace
