// The transposition table: its slot arithmetic against a true remainder, and its answers.
#include <gtest/gtest.h>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "support/support.h"

namespace {
// The slot comes from multiplications instead of a division; it must be the true remainder of
// every key, or positions would land in other slots and every node count would change.
TEST(Table, SlotIsTheRemainderOfTheIndexKeyForEverySize) {
  std::mt19937 random(1);
  const uint32_t edges[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
  for (const int32_t megabytes : {1, 3, 5, 7, 100, 1000}) {
    PrepareTables(megabytes);
    ASSERT_NE(TranspositionTable, nullptr);
    for (int32_t i = 0; i < 20000; ++i) {
      const uint32_t key = i < 6 ? edges[i] : uint32_t(random());
      ASSERT_EQ(uint32_t(SlotOf(key) - TranspositionTable), key % TableEntryCount)
          << "key " << key << ", " << megabytes << " MB";
    }
  }
  PrepareTables(1);
}

TEST(Table, RowsOfStoresAndProbes) {
  PrepareTables(1);
  KeyIndex = 12345;
  *TableSlot() = HashEntry{};
  for (const auto& row : ReadRows("table.txt")) {
    if (row[0] == "clear") *TableSlot() = HashEntry{};
    if (row[0] == "free") FreeTable();
    if (row.size() < 6) continue;
    KeyCheck = uint32_t(std::stoul(row[1]));
    const int32_t alpha = std::stoi(row[2]), beta = std::stoi(row[3]), depth = std::stoi(row[4]);
    if (row[0] == "store") {
      StoreTable(alpha, beta, depth, std::stoi(row[5]));
    } else {
      int16_t score = 7777;
      const int32_t hit = ProbeTable(alpha, beta, depth, score);
      EXPECT_EQ(hit ? std::to_string(score) : "miss", row[5])
          << row[1] << " " << alpha << " " << beta << " " << depth;
    }
  }
  PrepareTables(1);
}
}  // namespace
