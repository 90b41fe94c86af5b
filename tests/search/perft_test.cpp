#include <gtest/gtest.h>

#include "search/search.h"
#include "support/position_fixture.h"

namespace {
// Depths that take a second or two in release; one less where checks or sanitizers slow moves.
int32_t Depth(int32_t release) { return SlowBuild ? release - 1 : release; }

void ExpectPerft(const PerftCase& c, int32_t depth) {
  ASSERT_LT(size_t(depth), c.counts.size()) << c.id;
  ASSERT_EQ(SetUp("fen " + c.fen), 1) << c.id;
  EXPECT_EQ(Perft(depth), c.counts[size_t(depth)]) << c.id << " depth " << depth;
}
}  // namespace

TEST(Perft, StandardPositions) {
  const std::vector<PerftCase> cases = LoadPerftCases("perft-standard.epd");
  ASSERT_EQ(cases.size(), 6u);
  const int32_t depths[6] = {5, 4, 5, 4, 4, 4};
  for (size_t i = 0; i < cases.size(); ++i) ExpectPerft(cases[i], Depth(depths[i]));
}
