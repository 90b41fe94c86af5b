// Position keys and the transposition table. Two independent 32-bit keys per position: KeyIndex
// picks the table slot, KeyCheck is stored in it to recognise the position. Both come from one
// pool of random bytes, filled the same way every time so the keys never change between runs.
#pragma once

#include <cstdint>

#include "position/position.h"

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

// The check and index words of each piece word side by side (check in the low half, the side
// word last), built with the pool: make/unmake toggle a piece with one load instead of two.
constexpr uint32_t SideKeyPair = 1024;
extern uint64_t KeyPairs[SideKeyPair + 1];
void BuildKeyPairs();
inline uint64_t PieceKeyPair(int32_t type, int32_t colour, int32_t square) {
  return KeyPairs[type * 128 + colour * 8 + square];
}

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
// The table's own memory mapping, aligned to 2 MB so that the system can back it with large
// pages: probes land anywhere in the table, and with 4 KB pages nearly every one of them also
// missed the processor's address translation cache. Null when the table came from the heap
// (no mapping could be made).
struct TableMapping {
  void* base;
  uint64_t bytes;
};
extern TableMapping TableMemory;
// The slot is KeyIndex mod TableEntryCount, a true remainder (the count is a power of two only
// for power-of-two Hash sizes). It is computed without a division: TableModulus is 2^64 divided
// by the count, rounded up, and two multiplications give the exact remainder of every 32-bit key.
extern uint64_t TableModulus;
inline HashEntry* SlotOf(uint32_t index) {
  const uint64_t fraction = TableModulus * index;
  return TranspositionTable + uint32_t((unsigned __int128)fraction * TableEntryCount >> 64);
}
inline HashEntry* TableSlot() { return SlotOf(KeyIndex); }
// Starts loading a slot into the cache. GCC counts __builtin_prefetch as free of side effects, so
// a function that does nothing else is found pure and its calls are deleted when it is not
// inlined; the volatile instruction stays where it is written.
inline void FetchSlot(const HashEntry* slot) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*slot));
#else
  __builtin_prefetch(slot);
#endif
}
// Asks for the slot of the current position ahead of the probe, so that the memory access
// overlaps the work done before it.
inline void PrefetchTable() {
  if (TranspositionTable) FetchSlot(TableSlot());
}

// The slot of the position a normal move or the null move leads to, known before the move is
// made: asked for early, the memory access overlaps the move's evaluation, its making and the
// tests before the child's probe (a promotion's or castling's slot comes out wrong, which costs
// only a cache line).
inline HashEntry* SlotAfter(const Move& move) {
  uint64_t pair = KeyPairs[SideKeyPair];
  if (move.kind != NullMove) {
    const int32_t side = SideToMove;
    pair ^= PieceKeyPair(move.piece, side, move.from) ^ PieceKeyPair(move.piece, side, move.to);
    if (move.captured != Empty) pair ^= PieceKeyPair(move.captured, OtherSide, move.to);
  }
  return SlotOf(KeyIndex ^ uint32_t(pair >> 32));
}
inline void PrefetchTableAfter(const Move& move) {
  if (TranspositionTable) FetchSlot(SlotAfter(move));
}

void AllocateTable(uint32_t entries);
void FreeTable();
// Every slot empty again (nothing when there is no table).
void ClearTable();
int32_t ProbeTable(int32_t alpha, int32_t beta, int32_t depth, int16_t& score);
void StoreTable(int32_t alpha, int32_t beta, int32_t depth, int32_t score);
