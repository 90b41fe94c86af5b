// The transposition table: one 8-byte entry per slot, addressed by KeyIndex modulo the entry
// count and recognised by KeyCheck. Same position: the deeper result stays; another position:
// always replaced. Bounds are stored as the window edges (fail-hard).
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"

constexpr uint64_t LargePage = uint64_t(2) << 20;

// Zero-filled pages, mapped only when touched, like the heap's; null when no mapping is possible.
static HashEntry* MapTable(uint32_t bytes) {
  const uint64_t size = uint64_t(bytes) + LargePage;
  void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  const uintptr_t start = (reinterpret_cast<uintptr_t>(base) + LargePage - 1) & ~(LargePage - 1);
  madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);  // a hint: failure is harmless
  TableMemory = {base, size};
  return reinterpret_cast<HashEntry*>(start);
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
    munmap(TableMemory.base, TableMemory.bytes);
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
