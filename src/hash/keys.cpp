// The key pool: 8200 bytes drawn from a fixed generator with a fixed seed, so the keys of a
// position are the same in every run and in every rebuild of the pool.
#include <cstdlib>

#include "frontend/frontend.h"
#include "hash/hash.h"

namespace {
// A linear congruential generator of our own, the classic 214013/2531011 pair: the pool must not
// depend on whichever C library the engine happens to be linked with.
uint32_t RandomState = 1;

int32_t NextRandom() {
  RandomState = RandomState * 214013u + 2531011u;
  return int32_t((RandomState >> 16) & 0x7FFF);
}

constexpr int32_t PoolSeed = 30073;
}  // namespace

int32_t RandomInRange(int32_t lo, int32_t hi) {
  if (RandomSeed != 0) {
    RandomState = uint32_t(RandomSeed);
    RandomSeed = 0;
  }
  return lo + NextRandom() % (hi - lo + 1);
}

void FreeKeyPool() {
  std::free(KeyPool);
  KeyPool = nullptr;
  KeyPoolSize = 0;
}

void BuildKeyPool(uint32_t size) {
  FreeKeyPool();
  RandomSeed = PoolSeed;
  KeyPool = static_cast<uint8_t*>(AllocZeroed(size));
  if (KeyPool == nullptr) return;
  for (uint32_t i = 0; i < size; ++i) {
    KeyPool[i] = uint8_t(RandomInRange(0, 255));
    ++KeyPoolSize;
  }
  BuildKeyPairs();
}

void BuildKeyPairs() {
  for (uint32_t word = 0; word <= SideKeyPair; ++word)
    KeyPairs[word] = PoolWord(CheckBank + word) | uint64_t(PoolWord(IndexBank + word)) << 32;
}
