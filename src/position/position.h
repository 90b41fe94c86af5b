// The one position of the engine: a 0x88 board, two piece lists, the side variables, the keys
// and the line of moves played and searched. Everything here is process-wide state read by every
// subsystem; only set-up, the move applier, make/unmake and the search's side swap write it.
#pragma once

#include <cassert>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

// Squares are rank * 16 + file; a number is a real square when (number & 0x88) == 0.
constexpr int32_t SquareA1 = 0x00, SquareE1 = 0x04, SquareH1 = 0x07;
constexpr int32_t SquareA8 = 0x70, SquareE8 = 0x74, SquareH8 = 0x77;
constexpr int32_t SquareA3 = 0x20, SquareA7 = 0x60;
constexpr bool IsOnBoard(int32_t square) { return (square & 0x88) == 0; }

constexpr int32_t White = 0, Black = 1;

enum PieceType : int8_t {
  Empty = 0,
  King = 1,
  Queen = 2,
  Rook = 3,
  Bishop = 4,
  Knight = 5,
  Pawn = 6
};
constexpr char PieceLetters[] = " kqrbnp";

// A cell keeps colour and list index even when empty: a capture clears only the type, and the
// swap that moves the capturer carries the captured piece's index away and back again, which is
// how unmake finds the captured entry without searching the list.
struct BoardCell {
  int16_t listIndex;
  int8_t colour;
  int8_t type;
};
static_assert(sizeof(BoardCell) == 4, "a piece moves by swapping two 32-bit cells");

// Kings first, then queens, rooks, bishops, knights, pawns last; captured entries keep their
// place with type 0 until the next rebuild, so taking a capture back costs constant time.
struct PieceEntry {
  int32_t square;
  int8_t type;
};

enum MoveKind : uint8_t {
  Normal = 0,
  EnPassant = 1,
  Promotion = 2,
  CastleShort = 4,
  CastleLong = 8,
  NullMove = 16,
  LineEnd = 32,
};

// Seven bytes of fields; copied whole. For castling, from/to are the king's squares; for a
// promotion, piece is the new type; for en passant, captured is 0 (the kind implies the pawn).
struct Move {
  int16_t to;
  int16_t from;
  uint8_t kind;
  int8_t piece;
  int8_t captured;
};
static_assert(sizeof(Move) == 8, "seven bytes of fields, one of padding");

constexpr Move NullMoveRecord{8, 8, NullMove, 0, 0};
constexpr Move LineEndRecord{8, 8, LineEnd, 0, 0};

inline bool SameMove(const Move& a, const Move& b) {
  return a.to == b.to && a.from == b.from && a.piece == b.piece && a.captured == b.captured &&
         a.kind == b.kind;
}

// Records 0..103 hold the game's moves (newest at 103, a LineEnd record below the oldest);
// record RootSlot + p holds the move tried at ply p. Because the two parts are adjacent, every
// backward scan (castling rights, en passant, repetitions) walks both alike.
constexpr int32_t GameLineSize = 169;
constexpr int32_t RootSlot = 104;

constexpr int8_t Directions[16] = {1,  -1,  16, -16, 17, -17, 15, -15,
                                   14, -14, 18, -18, 31, -31, 33, -33};
constexpr int8_t PawnAdvance[2] = {16, -16};
constexpr int32_t PieceBit[7] = {0, 1, 2, 4, 8, 16, 32};

// The index of the lowest set bit of a set that is not empty (a bit scan of an empty set has no
// answer).
inline int32_t LowestBit(uint64_t bits) {
  assert(bits != 0);
  return __builtin_ctzll(bits);
}
inline int32_t LowestBit(uint32_t bits) {
  assert(bits != 0);
  return __builtin_ctz(bits);
}

// Square number 0..63 of a board square (rank * 8 + file), for one bit of a 64-bit square set.
// At run time both are one table load (squares 0..127) instead of four or five operations, and so
// is the way back, the board square of a bit, which most often indexes the board at once.
struct SquareBitTables {
  uint8_t bit[128];
  uint64_t mask[128];
  uint8_t square[64];  // the board square of a bit
  uint64_t ofBit[64];  // the set of one bit, without a shift by a variable count
};
inline constexpr SquareBitTables SquareBits = [] {
  SquareBitTables t{};
  for (int32_t square = 0; square < 128; ++square) {
    t.bit[square] = uint8_t((square + (square & 7)) >> 1);
    t.mask[square] = IsOnBoard(square) ? uint64_t(1) << t.bit[square] : 0;
  }
  for (int32_t bit = 0; bit < 64; ++bit) {
    t.square[bit] = uint8_t(bit + (bit & 0x38));
    t.ofBit[bit] = uint64_t(1) << bit;
  }
  return t;
}();
constexpr int32_t SquareBit(int32_t square) {
  if (std::is_constant_evaluated()) return (square + (square & 7)) >> 1;
  assert(IsOnBoard(square));  // the table maps a number beyond the board onto some square
  return SquareBits.bit[square];
}
// Empty for a number that is no square (the null move's and the line end's), so that such a
// record takes nothing out of a set.
constexpr uint64_t SquareMask(int32_t square) {
  if (std::is_constant_evaluated()) return IsOnBoard(square) ? uint64_t(1) << SquareBit(square) : 0;
  return SquareBits.mask[square];
}
// The board square of a set bit.
constexpr int32_t BitSquare(int32_t bit) {
  return std::is_constant_evaluated() ? bit + (bit & 0x38) : SquareBits.square[bit];
}

extern BoardCell Board[120];
extern PieceEntry PieceList[2][16];
extern int32_t LastEntry[2];
extern int32_t LastOfficer[2];
extern int32_t PieceCount;
extern int32_t SideToMove;
extern int32_t OtherSide;
extern int32_t RootSide;
// Square sets kept beside the board: SquareSets[colour][type] holds the squares of that colour's
// pieces of that type, SquareSets[colour][0] all of its pieces. The board and the lists stay the
// position; the sets only answer "which pieces could reach this square?" with a few AND
// operations, where a scan of the list would test every entry. Make/unmake update them by XOR
// like the keys.
extern uint64_t SquareSets[2][8];
inline uint64_t Occupied() { return SquareSets[White][0] | SquareSets[Black][0]; }
void RebuildSquareSets();
// The sets as the board shows them (the consistency check compares them with the kept ones).
void SquareSetsFromBoard(uint64_t (&sets)[2][8]);

extern uint32_t KeyCheck;
extern uint32_t KeyIndex;
extern Move GameLine[GameLineSize];
// The search line: Ply is the distance of the current node from the root (0 there), and
// CurrentMove the record RootSlot + Ply, where the move of the current ply is built, made and
// taken back.
extern int32_t Ply;
extern Move* CurrentMove;

// Whether the square holds a piece of that type and colour: colour and type are the upper half
// of the cell, so the two tests become one 16-bit comparison.
inline bool HoldsPiece(int32_t square, int8_t type, int32_t colour) {
  const BoardCell& cell = Board[square];
  return uint16_t(uint8_t(cell.colour) | uint8_t(cell.type) << 8) ==
         uint16_t(uint8_t(colour) | uint8_t(type) << 8);
}

// Castling rights the move history cannot show: a corner or king square whose right was given
// away by a FEN's castling field, or whose king or rook move has slid out of the history window.
// Bit k stands for CastlingSquares[k].
constexpr int32_t CastlingSquares[6] = {SquareE1, SquareA1, SquareH1, SquareE8, SquareA8, SquareH8};
extern uint8_t CastlingRightsLost;

// The whole position with its history, kept aside and put back: a refused set-up leaves the
// previous position as it was, and the bench borrows the board within a session.
struct SavedPosition {
  BoardCell board[120];
  PieceEntry pieceList[2][16];
  int32_t lastEntry[2], lastOfficer[2], pieceCount, sideToMove, otherSide, rootSide;
  uint32_t keyCheck, keyIndex;
  Move gameLine[GameLineSize];
  uint8_t castlingRightsLost;
};
void SavePosition(SavedPosition& saved);
void RestorePosition(const SavedPosition& saved);

// Set-up from a "position" argument. Refuses a position the engine cannot hold or search safely
// (returns 0 and keeps the previous position, after one "info string" line); 1 on success.
int32_t SetPosition(const char* argument);
void RebuildPieceLists();

// Notation. MoveToText returns a static buffer rewritten by every call.
const char* MoveToText(const Move& move);
// Plays one move word of a move list: 1 when played, 0 when the word is malformed and ignored,
// -1 when it is refused because MakeMove could not play it safely (one "info string" line says
// why; the caller ignores the rest of the list).
int32_t ApplyMoveText(const char* word);

// Without Keys the keys are left as they are. The search makes every move whose child has no
// depth to go this way: below the horizon nothing reads the keys (the table is neither probed
// nor stored there, and repetitions are found in the move line). A move made without keys is
// taken back without keys.
template <bool Keys = true>
void MakeMove(const Move& move);
template <bool Keys = true>
void UnmakeMove(const Move& move);

// Attack tables: indexed by target - origin, from -120 to 120.
struct AttackVector {
  int32_t step;
  int32_t attackers;
};
extern AttackVector* AttackVectors;  // points at the middle entry of a 241-entry block
void BuildAttackVectors();
void FreeAttackVectors();
int32_t IsAttacked(int8_t colour, int32_t square);
// The same question for a position that differs from the current one only in which squares are
// occupied and in the colour's pieces on `removed` being gone: the legality of a move that has
// not been made.
int32_t IsAttackedAfter(int8_t colour, int32_t square, uint64_t occupied, uint64_t removed);
// Whether a normal move or promotion of the side to move, not yet made, would leave its own king
// attacked: its legality without making it.
int32_t MoveLeavesKingAttacked(const Move& move);

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
inline uint64_t DiagonalAttacks(uint64_t occupied, uint64_t line, int32_t bit) {
  return line & SliderLines.spread[bit & 7][((occupied & line) * GatherFiles) >> 58];
}
// A file's squares are gathered by the a-file's constant shifted down to it, and its attacks
// kept by masking the table's copy on every file: no shift by a variable count.
inline uint64_t FileAttacks(uint64_t occupied, int32_t bit) {
  const int32_t file = bit & 7;
  const uint64_t line = SliderLines.fileLine[file];
  const uint64_t gathered = ((occupied & line) * SliderLines.gatherFile[file]) >> 58;
  return line & SliderLines.file[bit >> 3][gathered];
}
inline uint64_t RankAttacks(uint64_t occupied, int32_t bit) {
  const int32_t shift = bit & 0x38;
  return uint64_t(SliderLines.rank[bit & 7][(occupied >> shift) & 0xFF]) << shift;
}

inline uint64_t PawnAttacks(const AttackerSets& sets) {
  constexpr uint64_t FileH = FileA << 7;
  const uint64_t pawns = sets.pawns;
  return sets.colour == White ? (pawns & ~FileA) << 7 | (pawns & ~FileH) << 9
                              : (pawns & ~FileA) >> 9 | (pawns & ~FileH) >> 7;
}
inline uint64_t OrthogonalAttacks(uint64_t occupied, int32_t bit) {
  return FileAttacks(occupied, bit) | RankAttacks(occupied, bit);
}
inline uint64_t DiagonalAttacks(uint64_t occupied, int32_t bit) {
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

// The captures of the enemy pieces on `open` by the colour, as AttackedSquares finds them, but
// kept per pair: `targets` holds the list indices of the enemy pieces attacked, officers[t] the
// list indices of the colour's officers that attack piece t (the pawns that do are read per
// target from the pawn set). A node has few such pairs, so finding them while each piece's
// attacks are at hand spares finding every target's attackers again from its square.
struct CaptureMap {
  uint32_t targets;
  uint16_t officers[16];
};
inline void MapCaptures(CaptureMap& map, const AttackerSets& sets, uint64_t open,
                        uint64_t occupied) {
  for (uint16_t& officers : map.officers) officers = 0;
  uint32_t targets = ListIndices(PawnAttacks(sets) & open);
  const auto add = [&](uint64_t hits, int32_t index) {
    for (; hits != 0; hits &= hits - 1) {
      const int32_t target = Board[BitSquare(LowestBit(hits))].listIndex;
      assert(target >= 0 && target < 16);
      map.officers[target] |= uint16_t(1u << index);
      targets |= IndexBit[target];
    }
  };
  const auto piece = [&](uint64_t attacks, int32_t bit) {
    if ((attacks & open) != 0) add(attacks & open, Board[BitSquare(bit)].listIndex);
  };
  for (uint64_t set = sets.knights; set != 0; set &= set - 1)
    piece(SquareReach.knight[LowestBit(set)], LowestBit(set));
  add(SquareReach.king[LowestBit(sets.kings)] & open, 0);  // one king, entry 0
  for (uint64_t set = sets.orthogonal; set != 0; set &= set - 1)
    piece(OrthogonalAttacks(occupied, LowestBit(set)), LowestBit(set));
  for (uint64_t set = sets.diagonal; set != 0; set &= set - 1)
    piece(DiagonalAttacks(occupied, LowestBit(set)), LowestBit(set));
  map.targets = targets;
}

inline Attackers CandidateAttackers(int32_t colour, int32_t square) {
  return CandidateAttackers(ReadAttackerSets(colour), square);
}

// How the side's king stands, for the legality of its moves without making them.
// unsafeOrigins: the squares from which a move may leave the king attacked: the king's own, those
// of pieces pinned against it, and all of the side's squares when the king is attacked already. A
// normal move or promotion from any other square leaves the king as safe as it was: nothing
// attacks it now, no line onto it runs through the square the piece leaves, and a captured piece
// was no shield (it stood where the capturer now stands). An en passant capture takes a second
// piece off the board, so its pawns count as pinned (see the search).
// escapes: where a move of another piece than the king must go to end an attack on the king: every
// square when there is none, the attacker's and those between it and the king when one piece
// attacks, none when two do (an en passant capture can take the attacker elsewhere).
struct KingSafety {
  uint64_t unsafeOrigins;
  uint64_t escapes;
};
// The enemy is passed as the search keeps it (OtherSide), which spares working it out.
inline KingSafety KingSafetyOf(int32_t side, int32_t enemy) {
  assert(enemy == 1 - side);
  const int32_t king = PieceList[side][0].square, bit = SquareBit(king);
  const uint64_t* sets = SquareSets[enemy];
  const uint64_t own = SquareSets[side][0];
  // The enemy king never stands next to ours: set-up refuses it, and no legal move makes it so.
  assert((SquareReach.king[bit] & sets[King]) == 0);
  uint64_t attackers =
      (SquareReach.knight[bit] & sets[Knight]) | (SquareReach.pawnFrom[enemy][bit] & sets[Pawn]);
  uint64_t escapes = attackers;
  uint64_t lines = (SquareReach.rook[bit] & (sets[Rook] | sets[Queen])) |
                   (SquareReach.bishop[bit] & (sets[Bishop] | sets[Queen]));
  const uint64_t occupied = own | sets[0];
  uint64_t unsafe = SquareMask(king);
  const uint64_t* towardsKing = Between.squares[bit];
  for (; lines != 0; lines &= lines - 1) {
    const uint64_t between = towardsKing[LowestBit(lines)];
    const uint64_t blockers = between & occupied;
    if (blockers == 0) {
      attackers |= lines & -lines;
      escapes |= between | (lines & -lines);
    } else if ((blockers & (blockers - 1)) == 0) {
      unsafe |= blockers & own;
    }
  }
  if (attackers == 0) return KingSafety{unsafe, ~uint64_t(0)};
  return KingSafety{own, (attackers & (attackers - 1)) == 0 ? escapes : 0};
}
int32_t PieceAttacks(int8_t type, int32_t origin, int32_t target);

// Draws by rule, worked out from the GameLine alone. `ply` is the ply of the move just made
// (record RootSlot + ply; negative for moves played in the game). IsRepetition: 1 when that move
// recreates an earlier position with the same side to move, looking back four plies (full 0) or
// over the whole reversible stretch (full 1). ReversibleCount: the number of consecutive
// reversible moves ending with that move (the fifty-move rule draws at 100).
int32_t IsRepetition(int32_t ply, int32_t full);
// One test instead of three branches, each as good as random in the quiescence search.
inline bool IsReversible(const Move& move) {
  return (move.piece != Pawn) & (move.captured == Empty) & (move.kind == Normal);
}
int32_t ReversibleCount(int32_t ply);

// Keys of the current placement and side, computed from scratch.
void ComputeKeys(uint32_t& check, uint32_t& index);

// Re-derives everything make/unmake keeps incrementally; 1 when all agrees. Debug builds run it
// after every MakeMove and UnmakeMove.
int32_t PositionIsConsistent();

// The "d" command: diagram, side to move, FEN (castling and en passant as the engine derives
// them) and both keys.
void PrintDiagram();
