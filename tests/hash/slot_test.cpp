// The slot is computed with multiplications instead of a division; it must be the true remainder
// for every key, or positions would land in other slots and every node count would change.
#include <gtest/gtest.h>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"

namespace {

TEST(TableSlot, IsTheRemainderOfTheIndexKeyForEverySize) {
  const uint32_t savedKey = KeyIndex;
  const uint32_t keys[] = {0u,          1u,          131071u,     131072u,    393215u,
                           0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
  for (const int32_t megabytes : {1, 3, 5, 7, 100}) {
    PrepareTables(megabytes);
    ASSERT_NE(TranspositionTable, nullptr);
    uint32_t random = 2463534242u;
    for (int32_t i = 0; i < 20000; ++i) {
      random ^= random << 13;
      random ^= random >> 17;
      random ^= random << 5;
      KeyIndex = i < int32_t(std::size(keys)) ? keys[i] : random;
      ASSERT_EQ(TableSlot() - TranspositionTable, KeyIndex % TableEntryCount)
          << "key " << KeyIndex << ", " << megabytes << " MB";
    }
  }
  PrepareTables(1);
  KeyIndex = savedKey;
}

}  // namespace
