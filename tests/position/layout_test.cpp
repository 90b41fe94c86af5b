#include <gtest/gtest.h>

#include "position/position.h"

TEST(Layout, RecordSizes) {
  EXPECT_EQ(sizeof(BoardCell), 4u);
  EXPECT_EQ(sizeof(Move), 8u);
}
