// make_endgame: writes the engine's endgame data file (king and queen, king and rook, king and
// pawn against king) by retrograde analysis. Usage: make_endgame <output path> [<header path>];
// the header, when asked for, records the file's checksum for the engine, which then trusts only
// a file with that checksum.
//
// Every position is valued by the number of moves the stronger side needs to mate with best
// play from both sides: with the strong side to move, n means its n-th move mates; with the weak
// side to move, n means it is mated by the strong side's n-th move after its reply (0: it is
// mated now). 253 marks a draw, 255 a position that cannot occur.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr uint8_t Draw = 253;
constexpr uint8_t Unknown = 254;
constexpr uint8_t Impossible = 255;
constexpr int MaxMoves = 200;

// Squares are numbered file * 8 + rank, rank 0 being the strong side's first rank, the same
// numbering the data file uses, so a position's index here is its index in the file.
int FileOf(int square) { return square >> 3; }
int RankOf(int square) { return square & 7; }
int SquareAt(int file, int rank) { return file * 8 + rank; }
bool OnBoard(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Bits 13..18 strong king, 7..12 weak king, 1..6 piece, bit 0 set when the weak side moves.
constexpr uint32_t TableSize = 1u << 19;
uint32_t IndexOf(int strongKing, int weakKing, int piece, int weakToMove) {
  return uint32_t(strongKing) << 13 | uint32_t(weakKing) << 7 | uint32_t(piece) << 1 |
         uint32_t(weakToMove);
}

enum Ending { QueenEnding, RookEnding, PawnEnding };

constexpr int KingSteps[8][2] = {{1, 0}, {-1, 0}, {0, 1},  {0, -1},
                                 {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

int Sign(int x) { return (x > 0) - (x < 0); }

bool KingsTouch(int a, int b) {
  return std::abs(FileOf(a) - FileOf(b)) <= 1 && std::abs(RankOf(a) - RankOf(b)) <= 1;
}

// Whether the strong piece on `piece` attacks `target`; only the strong king can stand in
// between, since the weak king is the target itself or has left its square.
bool PieceAttacks(Ending ending, int piece, int target, int strongKing) {
  const int df = FileOf(target) - FileOf(piece), dr = RankOf(target) - RankOf(piece);
  if (df == 0 && dr == 0) return false;
  if (ending == PawnEnding) return dr == 1 && std::abs(df) == 1;
  const bool straight = df == 0 || dr == 0;
  const bool diagonal = std::abs(df) == std::abs(dr);
  if (!(straight || (ending == QueenEnding && diagonal))) return false;
  const int sf = Sign(df), sr = Sign(dr);
  for (int f = FileOf(piece) + sf, r = RankOf(piece) + sr; SquareAt(f, r) != target;
       f += sf, r += sr) {
    if (SquareAt(f, r) == strongKing) return false;
  }
  return true;
}

// Kings apart, three distinct squares, no pawn on a back rank, and the side to move unable to
// take the enemy king.
bool Possible(Ending ending, int strongKing, int weakKing, int piece, int weakToMove) {
  if (strongKing == weakKing || KingsTouch(strongKing, weakKing)) return false;
  if (piece == strongKing || piece == weakKing) return false;
  if (ending == PawnEnding && (RankOf(piece) == 0 || RankOf(piece) == 7)) return false;
  return weakToMove || !PieceAttacks(ending, piece, weakKing, strongKing);
}

// A full table per ending, indexed like the file but for every strong-king square: the pawn
// ending's promotions read the finished queen and rook tables, and the file's pages are cut out
// of these at the end. Three half-megabyte arrays keep the whole solve in cache-friendly bytes.
struct Tables {
  std::vector<uint8_t> value[3];
};

// The weak king's moves from a weak-to-move position: calls visit(newWeakKing) for each move
// that keeps the piece, and returns whether some legal move captures it (a draw).
template <typename Visit>
bool WeakMoves(Ending ending, int strongKing, int weakKing, int piece, int& moveCount,
               Visit visit) {
  bool captures = false;
  moveCount = 0;
  for (const auto& step : KingSteps) {
    const int f = FileOf(weakKing) + step[0], r = RankOf(weakKing) + step[1];
    if (!OnBoard(f, r)) continue;
    const int to = SquareAt(f, r);
    if (KingsTouch(to, strongKing)) continue;
    if (to == piece) {
      captures = true;
      ++moveCount;
      continue;
    }
    if (PieceAttacks(ending, piece, to, strongKing)) continue;
    ++moveCount;
    visit(to);
  }
  return captures;
}

// The strong side's moves: visit(value) receives the value of each resulting weak-to-move
// position, looked up in the promoted piece's table after a promotion.
template <typename Visit>
void StrongMoves(const Tables& tables, Ending ending, int strongKing, int weakKing, int piece,
                 Visit visit) {
  const std::vector<uint8_t>& own = tables.value[ending];
  for (const auto& step : KingSteps) {
    const int f = FileOf(strongKing) + step[0], r = RankOf(strongKing) + step[1];
    if (!OnBoard(f, r)) continue;
    const int to = SquareAt(f, r);
    if (to == piece || KingsTouch(to, weakKing)) continue;
    visit(own[IndexOf(to, weakKing, piece, 1)]);
  }
  if (ending == PawnEnding) {
    const int front = piece + 1;
    if (front == strongKing || front == weakKing) return;
    if (RankOf(front) == 7) {
      // A bishop or knight can never mate a bare king, so only these two promotions matter.
      visit(tables.value[QueenEnding][IndexOf(strongKing, weakKing, front, 1)]);
      visit(tables.value[RookEnding][IndexOf(strongKing, weakKing, front, 1)]);
      return;
    }
    visit(own[IndexOf(strongKing, weakKing, front, 1)]);
    const int twoAhead = piece + 2;
    if (RankOf(piece) == 1 && twoAhead != strongKing && twoAhead != weakKing)
      visit(own[IndexOf(strongKing, weakKing, twoAhead, 1)]);
    return;
  }
  for (const auto& step : KingSteps) {
    if (ending == RookEnding && step[0] != 0 && step[1] != 0) continue;
    for (int f = FileOf(piece) + step[0], r = RankOf(piece) + step[1]; OnBoard(f, r);
         f += step[0], r += step[1]) {
      const int to = SquareAt(f, r);
      if (to == strongKing || to == weakKing) break;
      visit(own[IndexOf(strongKing, weakKing, to, 1)]);
    }
  }
}

struct Position {
  int strongKing, weakKing, piece, weakToMove;
};
Position Unpack(uint32_t index) {
  return {int(index >> 13 & 63), int(index >> 7 & 63), int(index >> 1 & 63), int(index & 1)};
}

// Marks impossible positions, mates, stalemates and positions where the weak king can take the
// piece; everything else starts unknown.
void MarkTerminal(Tables& tables, Ending ending) {
  std::vector<uint8_t>& table = tables.value[ending];
  table.assign(TableSize, Unknown);
  for (uint32_t index = 0; index < TableSize; ++index) {
    const Position p = Unpack(index);
    if (!Possible(ending, p.strongKing, p.weakKing, p.piece, p.weakToMove)) {
      table[index] = Impossible;
      continue;
    }
    if (!p.weakToMove) continue;
    int moveCount = 0;
    const bool captures =
        WeakMoves(ending, p.strongKing, p.weakKing, p.piece, moveCount, [](int) {});
    if (captures) {
      table[index] = Draw;
    } else if (moveCount == 0) {
      const bool inCheck = PieceAttacks(ending, p.piece, p.weakKing, p.strongKing);
      table[index] = inCheck ? 0 : Draw;
    }
  }
}

// Round n finds the strong-to-move positions that mate in n (a move to a weak-to-move position
// of value n - 1) and then the weak-to-move positions whose every reply now has a value; their
// worst case is n. Whatever stays unknown when a round finds nothing is a draw.
bool SolveRound(Tables& tables, Ending ending, int n) {
  std::vector<uint8_t>& table = tables.value[ending];
  bool found = false;
  for (uint32_t index = 0; index < TableSize; index += 2) {
    if (table[index] != Unknown) continue;
    const Position p = Unpack(index);
    bool mates = false;
    StrongMoves(tables, ending, p.strongKing, p.weakKing, p.piece,
                [&](uint8_t value) { mates |= value == n - 1; });
    if (mates) {
      table[index] = uint8_t(n);
      found = true;
    }
  }
  for (uint32_t index = 1; index < TableSize; index += 2) {
    if (table[index] != Unknown) continue;
    const Position p = Unpack(index);
    int worst = 0, moveCount = 0;
    WeakMoves(ending, p.strongKing, p.weakKing, p.piece, moveCount, [&](int to) {
      const uint8_t value = table[IndexOf(p.strongKing, to, p.piece, 0)];
      worst = value == Unknown || worst < 0 ? -1 : (value > worst ? value : worst);
    });
    if (worst >= 0) table[index] = uint8_t(worst);
  }
  return found;
}

void Solve(Tables& tables, Ending ending) {
  MarkTerminal(tables, ending);
  for (int n = 1; n <= MaxMoves && SolveRound(tables, ending, n); ++n) {
  }
  for (uint8_t& value : tables.value[ending])
    if (value == Unknown) value = Draw;
}

// The file keeps the queen and rook endings only for the strong king on a1, a2, a3, a4, b2, b3,
// b4, c3, c4, d4 (the reader maps every other square there), and the pawn ending only for the
// strong king on files a to d.
constexpr int TriangleSquares[10] = {0, 1, 2, 3, 9, 10, 11, 18, 19, 27};

void AppendPage(std::vector<uint8_t>& file, const std::vector<uint8_t>& table, int strongKing) {
  const uint32_t first = IndexOf(strongKing, 0, 0, 0);
  file.insert(file.end(), table.begin() + first, table.begin() + first + 8192);
}

std::vector<uint8_t> BuildFile(const Tables& tables) {
  std::vector<uint8_t> file;
  file.reserve(425984);
  for (Ending ending : {QueenEnding, RookEnding})
    for (int square : TriangleSquares) AppendPage(file, tables.value[ending], square);
  for (int square = 0; square < 32; ++square) AppendPage(file, tables.value[PawnEnding], square);
  return file;
}

// 64-bit FNV-1a, as the engine computes it over a file it finds.
uint64_t Checksum(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 0xCBF29CE484222325;
  for (const uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001B3;
  return hash;
}

bool WriteChecksumHeader(const char* path, uint64_t checksum) {
  std::FILE* out = std::fopen(path, "w");
  if (!out) return false;
  std::fprintf(out,
               "// Generated by make_endgame: the checksum of the Endgame.bin of this build.\n"
               "#pragma once\n#include <cstdint>\n"
               "constexpr uint64_t EndgameChecksum = 0x%016llXull;\n",
               static_cast<unsigned long long>(checksum));
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s <output file> [<checksum header>]\n", argv[0]);
    return 2;
  }
  Tables tables;
  Solve(tables, QueenEnding);
  Solve(tables, RookEnding);
  Solve(tables, PawnEnding);
  const std::vector<uint8_t> file = BuildFile(tables);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[1]);
    return 1;
  }
  if (argc == 3 && !WriteChecksumHeader(argv[2], Checksum(file))) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}
