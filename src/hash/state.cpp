#include "hash/hash.h"

uint8_t* KeyPool;
uint32_t KeyPoolSize;
uint64_t KeyPairs[SideKeyPair + 1];
int32_t RandomSeed;
HashEntry* TranspositionTable;
uint32_t TableEntryCount;
TableMapping TableMemory;
uint64_t TableModulus;
