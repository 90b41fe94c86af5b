// Shared helpers for the tests of the position, the keys, the generators and perft: the tables
// the engine builds on "isready", set-up with captured output, a comparable snapshot of the whole
// position, the legal moves of the current position in generation order, and the perft suites.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "position/position.h"

// Builds the key pool and the attack vectors once per process.
void PrepareTablesForTests();

// Redirects the engine's protocol lines into a buffer for the lifetime of the object.
class CapturedOutput {
 public:
  CapturedOutput();
  ~CapturedOutput();
  std::string Text();

 private:
  std::FILE* file_;
  int saved_;
};

// SetPosition with its output captured (into *output when given); returns its result.
int32_t SetUp(const std::string& argument, std::string* output = nullptr);

// Every field make/unmake must restore, compared field by field (records have padding).
struct PositionSnapshot {
  BoardCell board[120];
  PieceEntry pieceList[2][16];
  int32_t lastEntry[2], lastOfficer[2], pieceCount, sideToMove, otherSide;
  uint32_t keyCheck, keyIndex;
};
PositionSnapshot TakeSnapshot();
// Empty when equal, otherwise the first difference in words.
std::string Difference(const PositionSnapshot& a, const PositionSnapshot& b);

// Legal moves of the side to move, in the order the generators produce them.
std::vector<std::string> LegalMoves();
bool HasMove(const std::vector<std::string>& moves, const std::string& move);

// The square of a coordinate such as "e4".
int32_t SquareOf(const char* name);

// Perft positions: a FEN and its published counts by depth (index = depth, 0 = unknown).
struct PerftCase {
  std::string fen;
  std::string id;
  std::vector<uint64_t> counts;
};
std::vector<PerftCase> LoadPerftCases(const std::string& fileName);

// Sanitizers and debug consistency checks slow perft down by an order of magnitude.
constexpr bool SlowBuild =
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif
