// The transposition table: one 8-byte entry per slot, addressed by KeyIndex modulo the entry
// count and recognised by KeyCheck. Same position: the deeper result stays; another position:
// always replaced. Bounds are stored as the window edges (fail-hard).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frontend/frontend.h"
#include "frontend/platform.h"
#include "hash/hash.h"
#include "position/position.h"

// Zero-filled pages on a large-page boundary; null when no mapping is possible.
static HashEntry* MapTable(uint32_t bytes) {
  void* base = nullptr;
  uint64_t size = 0;
  void* start = MapPages(bytes, base, size);
  if (!start) return nullptr;
  TableMemory = {base, size};
  return static_cast<HashEntry*>(start);
}

void AllocateTable(uint32_t entries) {
  FreeTable();
  // Hash is clamped to 1024 MB, so the byte count fits 32 bits.
  const uint32_t bytes = entries * uint32_t(sizeof(HashEntry));
  TranspositionTable = MapTable(bytes);
  if (!TranspositionTable) TranspositionTable = static_cast<HashEntry*>(AllocZeroed(bytes));
  TableEntryCount = TranspositionTable ? entries : 0;
  TableModulus = TableEntryCount ? UINT64_MAX / TableEntryCount + 1 : 0;
}

void FreeTable() {
  if (TableMemory.base)
    UnmapPages(TableMemory.base, TableMemory.bytes);
  else
    std::free(TranspositionTable);
  TableMemory = {nullptr, 0};
  TranspositionTable = nullptr;
  TableEntryCount = 0;
  TableModulus = 0;
}

void ClearTable() {
  if (TranspositionTable)
    std::memset(static_cast<void*>(TranspositionTable), 0, TableEntryCount * sizeof(HashEntry));
}

static HashEntry* Slot() {
  if (!TranspositionTable) return nullptr;
  return TableSlot();
}

int32_t ProbeTable(int32_t alpha, int32_t beta, int32_t depth, int16_t& score) {
  const HashEntry* entry = Slot();
  if (!entry || entry->check != KeyCheck || depth > entry->depth) return 0;
  switch (entry->bound) {
    case ExactBound:
      score = int16_t(entry->score > beta ? beta : entry->score < alpha ? alpha : entry->score);
      return 1;
    case LowerBound:
      if (entry->score < beta) return 0;
      score = int16_t(beta);
      return 1;
    case UpperBound:
      if (entry->score > alpha) return 0;
      score = int16_t(alpha);
      return 1;
    default:
      return 0;
  }
}

void StoreTable(int32_t alpha, int32_t beta, int32_t depth, int32_t score) {
  HashEntry* entry = Slot();
  if (!entry) return;
  if (entry->check == KeyCheck && depth < entry->depth) return;
  entry->check = KeyCheck;
  entry->depth = int8_t(depth);
  const int16_t s = int16_t(score);
  if (s >= beta) {
    entry->bound = LowerBound;
    entry->score = int16_t(beta);
  } else if (s <= alpha) {
    entry->bound = UpperBound;
    entry->score = int16_t(alpha);
  } else {
    entry->bound = ExactBound;
    entry->score = s;
  }
}
