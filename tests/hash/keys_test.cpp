#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hash/hash.h"
#include "support/position_fixture.h"

TEST(KeyPool, SameBytesOnEveryBuild) {
  PrepareTablesForTests();
  const std::vector<uint8_t> first(KeyPool, KeyPool + KeyPoolBytes);
  BuildKeyPool(KeyPoolBytes);
  ASSERT_NE(KeyPool, nullptr);
  EXPECT_EQ(KeyPoolSize, KeyPoolBytes);
  EXPECT_EQ(std::memcmp(first.data(), KeyPool, KeyPoolBytes), 0);
  // Pinned: the keys are part of the engine's behaviour (table slots, node counts).
  EXPECT_EQ(KeyPool[0], 196);
  EXPECT_EQ(KeyPool[1], 0);
  EXPECT_EQ(KeyPool[2], 162);
  EXPECT_EQ(KeyPool[3], 231);
  EXPECT_EQ(KeyPool[KeyPoolBytes - 1], 155);
  uint32_t sum = 0;
  for (uint32_t i = 0; i < KeyPoolBytes; ++i) sum += KeyPool[i];
  EXPECT_EQ(sum, 1053736u);
}

// Make/unmake read the pairs, the from-scratch keys the pool: the two must hold the same words.
TEST(KeyPool, PairsHoldBothBanksWords) {
  PrepareTablesForTests();
  for (uint32_t word = 0; word <= SideKeyPair; ++word) {
    ASSERT_EQ(uint32_t(KeyPairs[word]), PoolWord(CheckBank + word)) << word;
    ASSERT_EQ(uint32_t(KeyPairs[word] >> 32), PoolWord(IndexBank + word)) << word;
  }
}

TEST(KeyPool, FreeLeavesNoPool) {
  PrepareTablesForTests();
  FreeKeyPool();
  EXPECT_EQ(KeyPool, nullptr);
  EXPECT_EQ(KeyPoolSize, 0u);
  PrepareTablesForTests();
  EXPECT_EQ(KeyPoolSize, KeyPoolBytes);
}

TEST(KeyPool, RandomInRangeStaysInRange) {
  RandomSeed = 1;
  for (int32_t i = 0; i < 1000; ++i) {
    const int32_t r = RandomInRange(-3, 5);
    ASSERT_GE(r, -3);
    ASSERT_LE(r, 5);
  }
}

TEST(PositionKeys, StartPositionIsTheXorOfItsPieceWords) {
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  uint32_t check = 0, index = 0;
  for (int32_t square = 0; square < 120; ++square) {
    if (!IsOnBoard(square) || Board[square].type == Empty) continue;
    check ^= PieceWord(CheckBank, Board[square].type, Board[square].colour, square);
    index ^= PieceWord(IndexBank, Board[square].type, Board[square].colour, square);
  }
  EXPECT_EQ(KeyCheck, check);
  EXPECT_EQ(KeyIndex, index);

  ASSERT_EQ(SetUpPosition("fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), 1);
  EXPECT_EQ(KeyCheck, check ^ SideWord(CheckBank));
  EXPECT_EQ(KeyIndex, index ^ SideWord(IndexBank));
}

TEST(PositionKeys, CastlingRightsAreNotPartOfTheKeys) {
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"), 1);
  const uint32_t check = KeyCheck, index = KeyIndex;
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1"), 1);
  EXPECT_EQ(KeyCheck, check);
  EXPECT_EQ(KeyIndex, index);
  // A king that went away and back has the same keys too.
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1d1 e8d8 d1e1 d8e8"), 1);
  EXPECT_EQ(KeyCheck, check);
  EXPECT_EQ(KeyIndex, index);
}
