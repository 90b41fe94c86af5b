// The square-set tables: empty-board reach, the squares between two squares, slider attacks by
// multiplication, and the questions the position's square sets answer with them (which pieces
// of a colour could capture on a square, which squares a colour attacks). All constant, built at
// compile time; the tables are checked there against plain walks along the board's rays.
#pragma once

#include <cassert>
#include <cstdint>
#include <initializer_list>

#include "position/position.h"

// Empty-board reach by square bit, for the square sets: a set of candidate attackers is the
// reach of the target ANDed with the attackers' set; only a slider then needs the squares between
// to be empty (SquaresBetween).
struct ReachTables {
  uint64_t knight[64];
  uint64_t king[64];
  uint64_t rook[64];
  uint64_t bishop[64];
  uint64_t pawnFrom[2][64];  // the squares from which a pawn of each colour captures onto a square
  uint64_t piece[8][64];     // by type: the king's, queen's, rook's, bishop's, knight's; no pawn's
};

constexpr ReachTables BuildReachTables() {
  ReachTables t{};
  auto walk = [](int32_t square, int32_t first, int32_t last, bool slides) {
    uint64_t reach = 0;
    for (int32_t d = first; d <= last; ++d) {
      for (int32_t to = square + Directions[d]; IsOnBoard(to); to += Directions[d]) {
        reach |= SquareMask(to);
        if (!slides) break;
      }
    }
    return reach;
  };
  for (int32_t bit = 0; bit < 64; ++bit) {
    const int32_t square = BitSquare(bit);
    t.king[bit] = walk(square, 0, 7, false);
    t.rook[bit] = walk(square, 0, 3, true);
    t.bishop[bit] = walk(square, 4, 7, true);
    t.knight[bit] = walk(square, 8, 15, false);
    t.piece[King][bit] = t.king[bit];
    t.piece[Queen][bit] = t.rook[bit] | t.bishop[bit];
    t.piece[Rook][bit] = t.rook[bit];
    t.piece[Bishop][bit] = t.bishop[bit];
    t.piece[Knight][bit] = t.knight[bit];
    for (int32_t colour = White; colour <= Black; ++colour) {
      for (const int32_t offset : {-1, 1}) {
        const int32_t from = square - PawnAdvance[colour] + offset;
        if (IsOnBoard(from)) t.pawnFrom[colour][bit] |= SquareMask(from);
      }
    }
  }
  return t;
}
inline constexpr ReachTables SquareReach = BuildReachTables();

// The squares strictly between two squares, by their square bits: the squares passed on the way
// from one to the other along their line, none when they share no line or are neighbours. With a
// row per square a slider's test is one load (32 KB, read mostly in the rows of the two kings),
// where working the squares out from the distance of the two took eight instructions.
struct BetweenTable {
  uint64_t squares[64][64];
};
constexpr BetweenTable BuildBetweenTable() {
  BetweenTable t{};
  for (int32_t bit = 0; bit < 64; ++bit)
    for (int32_t d = 0; d < 8; ++d) {
      uint64_t passed = 0;
      for (int32_t to = BitSquare(bit) + Directions[d]; IsOnBoard(to); to += Directions[d]) {
        t.squares[bit][SquareBit(to)] = passed;
        passed |= SquareMask(to);
      }
    }
  return t;
}
inline constexpr BetweenTable Between = BuildBetweenTable();
inline uint64_t SquaresBetween(int32_t a, int32_t b) {
  return Between.squares[SquareBit(a)][SquareBit(b)];
}

// The sliders of a candidate set with nothing between them and the square.
inline uint64_t UnblockedSliders(uint64_t sliders, int32_t square, uint64_t occupied) {
  const uint64_t* between = Between.squares[SquareBit(square)];
  uint64_t open = 0;
  for (; sliders != 0; sliders &= sliders - 1) {
    const int32_t bit = LowestBit(sliders);
    if ((between[bit] & occupied) == 0) open |= SquareBits.ofBit[bit];
  }
  return open;
}

// The bit of each list index in a mask of list indices: one load where a shift by a variable
// count took three instructions.
constexpr auto IndexBit = [] {
  struct Table {
    uint32_t bit[16];
    constexpr uint32_t operator[](int32_t i) const {
      assert(i >= 0 && i < 16);  // a cell that never held a piece has index 16
      return bit[i];
    }
  } table{};
  for (int32_t i = 0; i < 16; ++i) table.bit[i] = 1u << i;
  return table;
}();

// The list indices of the pieces on a set of squares, as a mask: iterating its bits takes the
// pieces in list order.
inline uint32_t ListIndices(uint64_t squares) {
  uint32_t indices = 0;
  for (; squares != 0; squares &= squares - 1)
    indices |= IndexBit[Board[BitSquare(LowestBit(squares))].listIndex];
  return indices;
}

// A colour's pieces grouped by how they attack; read once, asked about many squares.
struct AttackerSets {
  uint64_t knights, kings, orthogonal, diagonal, pawns;
  int32_t colour;
};
inline AttackerSets ReadAttackerSets(int32_t colour) {
  const uint64_t* sets = SquareSets[colour];
  return AttackerSets{
      sets[Knight], sets[King], sets[Rook] | sets[Queen], sets[Bishop] | sets[Queen],
      sets[Pawn],   colour};
}

// The pieces that could capture on the square if nothing stood in between: kings, knights and
// pawns really do; the sliders still need SquaresBetween to be empty.
struct Attackers {
  uint64_t steppers;  // kings and knights
  uint64_t sliders;   // queens, rooks and bishops on a line with the square
  uint64_t pawns;
  bool Any() const { return (steppers | sliders | pawns) != 0; }
};
inline Attackers CandidateAttackers(const AttackerSets& sets, int32_t square) {
  const int32_t bit = SquareBit(square);
  return Attackers{
      (SquareReach.knight[bit] & sets.knights) | (SquareReach.king[bit] & sets.kings),
      (SquareReach.rook[bit] & sets.orthogonal) | (SquareReach.bishop[bit] & sets.diagonal),
      SquareReach.pawnFrom[sets.colour][bit] & sets.pawns};
}
// Slider attacks that stop at the first occupied square, each line by one multiplication and one
// table load. A file, a diagonal and an anti-diagonal hold one square per rank, and a diagonal
// one per file: multiplying the line's occupied squares by a constant gathers them into the top
// six bits without carries, and those six bits (the line's inner squares; the end squares block
// nothing beyond them) index a table of the attacks. The diagonal tables hold the attacks along a
// rank copied onto every rank, so that masking with the diagonal keeps its own squares.
struct SliderLineTables {
  uint64_t diagonal[64];
  uint64_t antiDiagonal[64];
  uint64_t spread[8][64];  // [file][inner occupancy of the rank]: a rank's attacks on every rank
  uint64_t file[8][64];    // [rank][gathered occupancy of a file]: a file's attacks on every file
  uint8_t rank[8][256];    // [file][occupancy of the rank]
  uint64_t fileLine[8];    // the squares of each file
  uint64_t gatherFile[8];  // GatherFileA for each file: its squares land where the a-file's do
};
constexpr uint64_t FileA = 0x0101010101010101;
// Gathers one square per file (a diagonal) into the top six bits: files b to g.
constexpr uint64_t GatherFiles = 0x0202020202020202;
// Gathers the a-file's squares of ranks 2 to 7 into the top six bits.
constexpr uint64_t GatherFileA = 0x0004081020408000;

constexpr SliderLineTables BuildSliderLineTables() {
  SliderLineTables t{};
  auto line = [](int32_t square, int32_t step) {
    uint64_t squares = 0;
    for (const int32_t direction : {step, -step})
      for (int32_t to = square + direction; IsOnBoard(to); to += direction)
        squares |= SquareMask(to);
    return squares;
  };
  for (int32_t bit = 0; bit < 64; ++bit) {
    const int32_t square = BitSquare(bit);
    t.diagonal[bit] = line(square, 17);
    t.antiDiagonal[bit] = line(square, 15);
  }
  for (int32_t file = 0; file < 8; ++file)
    for (int32_t occupied = 0; occupied < 256; ++occupied) {
      int32_t attacks = 0;
      for (const int32_t step : {1, -1})
        for (int32_t f = file + step; f >= 0 && f < 8; f += step) {
          attacks |= 1 << f;
          if (occupied & (1 << f)) break;
        }
      t.rank[file][occupied] = uint8_t(attacks);
    }
  for (int32_t file = 0; file < 8; ++file)
    for (int32_t inner = 0; inner < 64; ++inner)
      t.spread[file][inner] = uint64_t(t.rank[file][inner << 1]) * FileA;
  for (int32_t rank = 0; rank < 8; ++rank)
    for (int32_t inner = 0; inner < 64; ++inner) {
      uint64_t occupied = 0;
      for (int32_t k = 0; k < 6; ++k)
        if (inner & (1 << k)) occupied |= uint64_t(1) << (8 * (k + 1));
      uint64_t attacks = 0;
      for (const int32_t step : {1, -1})
        for (int32_t r = rank + step; r >= 0 && r < 8; r += step) {
          attacks |= uint64_t(1) << (8 * r);
          if (occupied & (uint64_t(1) << (8 * r))) break;
        }
      t.file[rank][(occupied * GatherFileA) >> 58] = attacks * 0xFF;
    }
  for (int32_t file = 0; file < 8; ++file) {
    t.fileLine[file] = FileA << file;
    t.gatherFile[file] = GatherFileA >> file;
  }
  return t;
}
inline constexpr SliderLineTables SliderLines = BuildSliderLineTables();

// The squares attacked along one diagonal (its set without the bit's own square) from the bit.
constexpr uint64_t DiagonalAttacks(uint64_t occupied, uint64_t line, int32_t bit) {
  return line & SliderLines.spread[bit & 7][((occupied & line) * GatherFiles) >> 58];
}
// A file's squares are gathered by the a-file's constant shifted down to it, and its attacks
// kept by masking the table's copy on every file: no shift by a variable count.
constexpr uint64_t FileAttacks(uint64_t occupied, int32_t bit) {
  const int32_t file = bit & 7;
  const uint64_t line = SliderLines.fileLine[file];
  const uint64_t gathered = ((occupied & line) * SliderLines.gatherFile[file]) >> 58;
  return line & SliderLines.file[bit >> 3][gathered];
}
constexpr uint64_t RankAttacks(uint64_t occupied, int32_t bit) {
  const int32_t shift = bit & 0x38;
  return uint64_t(SliderLines.rank[bit & 7][(occupied >> shift) & 0xFF]) << shift;
}

inline uint64_t PawnAttacks(const AttackerSets& sets) {
  constexpr uint64_t FileH = FileA << 7;
  const uint64_t pawns = sets.pawns;
  return sets.colour == White ? (pawns & ~FileA) << 7 | (pawns & ~FileH) << 9
                              : (pawns & ~FileA) >> 9 | (pawns & ~FileH) >> 7;
}
constexpr uint64_t OrthogonalAttacks(uint64_t occupied, int32_t bit) {
  return FileAttacks(occupied, bit) | RankAttacks(occupied, bit);
}
constexpr uint64_t DiagonalAttacks(uint64_t occupied, int32_t bit) {
  return DiagonalAttacks(occupied, SliderLines.diagonal[bit], bit) |
         DiagonalAttacks(occupied, SliderLines.antiDiagonal[bit], bit);
}

// Every square some piece of the colour attacks (sliders up to the first occupied square), so
// that `square` is in it exactly when CandidateAttackers(sets, square) finds an unblocked piece.
// The search uses MapCaptures; the tests and the debug build hold both to the attack test.
inline uint64_t AttackedSquares(const AttackerSets& sets, uint64_t occupied) {
  uint64_t attacked = PawnAttacks(sets);
  for (uint64_t set = sets.knights; set != 0; set &= set - 1)
    attacked |= SquareReach.knight[LowestBit(set)];
  for (uint64_t set = sets.kings; set != 0; set &= set - 1)
    attacked |= SquareReach.king[LowestBit(set)];
  for (uint64_t set = sets.orthogonal; set != 0; set &= set - 1)
    attacked |= OrthogonalAttacks(occupied, LowestBit(set));
  for (uint64_t set = sets.diagonal; set != 0; set &= set - 1)
    attacked |= DiagonalAttacks(occupied, LowestBit(set));
  return attacked;
}

inline Attackers CandidateAttackers(int32_t colour, int32_t square) {
  return CandidateAttackers(ReadAttackerSets(colour), square);
}
