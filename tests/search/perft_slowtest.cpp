// Deep perft counts: the six standard positions one ply deeper than the default run, and every
// position of the 157-position suite at its deepest published depth within a node budget.
#include <gtest/gtest.h>

#include "search/search.h"
#include "support/position_fixture.h"

namespace {
constexpr uint64_t NodeBudget = 50'000'000;

void ExpectDeepest(const PerftCase& c, uint64_t budget) {
  int32_t depth = 0;
  for (size_t d = 1; d < c.counts.size(); ++d) {
    if (c.counts[d] != 0 && c.counts[d] <= budget) depth = int32_t(d);
  }
  ASSERT_GT(depth, 0) << c.id;
  ASSERT_EQ(SetUpPosition("fen " + c.fen), 1) << c.id;
  EXPECT_EQ(Perft(depth), c.counts[size_t(depth)]) << c.id << " depth " << depth;
}

class PerftSuite : public testing::TestWithParam<PerftCase> {};

TEST_P(PerftSuite, DeepestWithinBudget) { ExpectDeepest(GetParam(), NodeBudget); }

INSTANTIATE_TEST_SUITE_P(All, PerftSuite, testing::ValuesIn(LoadPerftCases("perft-suite.epd")),
                         [](const testing::TestParamInfo<PerftCase>& info) {
                           return "case" + std::to_string(info.index);
                         });
}  // namespace

class PerftDeep : public testing::TestWithParam<size_t> {};

// One ply deeper than the default run.
TEST_P(PerftDeep, StandardPosition) {
  const std::vector<PerftCase> cases = LoadPerftCases("perft-standard.epd");
  ASSERT_EQ(cases.size(), 6u);
  const int32_t depths[6] = {6, 5, 6, 5, 5, 5};
  const PerftCase& c = cases[GetParam()];
  ASSERT_EQ(SetUpPosition("fen " + c.fen), 1) << c.id;
  EXPECT_EQ(Perft(depths[GetParam()]), c.counts[size_t(depths[GetParam()])]) << c.id;
}

INSTANTIATE_TEST_SUITE_P(Standard, PerftDeep, testing::Range(size_t(0), size_t(6)));
