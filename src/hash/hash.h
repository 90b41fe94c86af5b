// Position keys and the transposition table. Two independent 32-bit keys per position: KeyIndex
// picks the table slot, KeyCheck is stored in it to recognise the position. Both come from one
// pool of random bytes, filled the same way every time so the keys never change between runs.
#pragma once

#include <cstdint>

constexpr uint32_t KeyPoolBytes = 8200;
constexpr uint32_t CheckBank = 0;     // pool words 0..1024 (1024: side word)
constexpr uint32_t IndexBank = 1025;  // pool words 1025..2049 (2049: side word)

extern uint8_t* KeyPool;
extern uint32_t KeyPoolSize;
extern int32_t RandomSeed;

void BuildKeyPool(uint32_t size);
void FreeKeyPool();
int32_t RandomInRange(int32_t lo, int32_t hi);

// Piece word number: type * 128 + colour * 8 + square (the colour sits in the 0x88 spare bit).
inline uint32_t PoolWord(uint32_t word) {
  const uint8_t* p = KeyPool + word * 4;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t PieceWord(uint32_t bank, int32_t type, int32_t colour, int32_t square) {
  return PoolWord(bank + uint32_t(type * 128 + colour * 8 + square));
}
inline uint32_t SideWord(uint32_t bank) { return PoolWord(bank + 1024); }

// One entry per slot, no moves, no buckets: the table only returns scores.
enum BoundKind : uint8_t { UpperBound = 0, ExactBound = 1, LowerBound = 2 };
struct HashEntry {
  uint32_t check;
  int16_t score;
  int8_t depth;
  uint8_t bound;
};
static_assert(sizeof(HashEntry) == 8, "the table uses exactly its Hash size");

extern HashEntry* TranspositionTable;
extern uint32_t TableEntryCount;

void AllocateTable(uint32_t entries);
void FreeTable();
int32_t ProbeTable(int32_t alpha, int32_t beta, int32_t depth, int16_t& score);
void StoreTable(int32_t alpha, int32_t beta, int32_t depth, int32_t score);
