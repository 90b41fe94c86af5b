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
