// The time budget and limits of "go", and the text routines that read untrusted input.
#include "frontend/frontend.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

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

// Cleaning a line in one pass gives what a regular expression gives, and a megabyte of blanks
// costs no more than reading it (a quadratic pass would take minutes).
TEST(TextRoutines, LineCleaningMatchesARegularExpression) {
  std::mt19937 random(5);
  for (int32_t n = 0; n < 2000; ++n) {
    std::string line;
    for (uint32_t length = random() % 12; length > 0; --length) line += " \tab\r"[random() % 5];
    const std::string trimmed = std::regex_replace(line, std::regex("^[ \t]+|[ \t]+$"), "");
    const std::string expected = std::regex_replace(trimmed, std::regex("[ \t]+"), " ");
    NormaliseLine(line);
    EXPECT_EQ(line, expected);
  }
  std::string blanks(MaxLineLength, ' ');
  blanks[MaxLineLength / 2] = 'x';
  NormaliseLine(blanks);
  EXPECT_EQ(blanks, "x");
}

// Two days of analysis count more thousands of nodes than 32 bits hold; the count goes on.
TEST(ParseGo, NodeCountGoesPastTwoToTheFortyOne) {
  Limits = SearchLimits{};
  Limits.clock = 0;  // no time limit: only the count
  StopRequested.store(0);
  ResetNodeCount();
  KiloNodes = uint64_t(INT32_MAX) - 2;
  for (int32_t node = 0; node < 3 * 4096; ++node) ASSERT_EQ(CheckTime(), 0);
  EXPECT_EQ(NodeCount(), (uint64_t(INT32_MAX) - 2 + 12) * 1024);
}
}  // namespace
