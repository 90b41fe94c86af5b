// The bench signature: the node total of "quendal bench 5" over the thirty bench positions.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "support/engine_process.h"

using namespace std::chrono_literals;

// Changes only when what the search does changes (move order, pruning, evaluation, table use).
// Such a change must be deliberate: update this total together with the fast suite's depth-4
// total, and name the new default bench total ("Bench: N") in the commit message. Release and
// debug builds must agree on it.
constexpr uint64_t kBenchSignatureDepth5 = 1020550;

TEST(BenchSignature, DepthFiveNodeTotalIsPinned) {
  EngineProcess::Options options;
  options.arguments = {"bench", "5"};
  EngineProcess engine(options);
  // Only a hung engine reaches this; a sanitizer build needs well under a minute.
  LinesUntil report = engine.WaitForLine("Nodes searched: ", 600s);
  ASSERT_TRUE(report) << report;
  EXPECT_EQ(std::strtoull(report.Match().c_str() + 16, nullptr, 10), kBenchSignatureDepth5)
      << report.Match();
  EXPECT_EQ(engine.WaitForExit(60s), 0);
}
