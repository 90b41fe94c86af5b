#include <gtest/gtest.h>

#include "search/search.h"

namespace {

struct Window {
  int32_t alpha, beta, bound;
};

Window After(int32_t score, Window window) {
  WidenWindow(score, window.alpha, window.beta, window.bound);
  return window;
}

TEST(AspirationWindow, FailLowThenFailHighEndsInTheFullWindow) {
  Window window{100, 356, 0};
  EXPECT_FALSE(WidenWindow(200, window.alpha, window.beta, window.bound));
  window = After(100, window);  // fail low: below the old alpha, minus one
  EXPECT_EQ(window.alpha, -32000);
  EXPECT_EQ(window.beta, 99);
  EXPECT_EQ(window.bound, -1);
  window = After(99, window);  // fails high against the narrowed beta
  EXPECT_EQ(window.alpha, -32000);
  EXPECT_EQ(window.beta, 32000);
  EXPECT_EQ(window.bound, 1);
}

TEST(AspirationWindow, FailHighThenFailLowEndsInTheFullWindow) {
  Window window = After(400, Window{100, 356, 0});
  EXPECT_EQ(window.alpha, 357);
  EXPECT_EQ(window.beta, 32000);
  EXPECT_EQ(window.bound, 1);
  window = After(300, window);
  EXPECT_EQ(window.alpha, -32000);
  EXPECT_EQ(window.beta, 32000);
  EXPECT_EQ(window.bound, -1);
}

}  // namespace
