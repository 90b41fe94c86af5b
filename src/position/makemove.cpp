// Making and taking back moves. Every change is incremental: two cells swap, one or two list
// entries change, and the keys take the XOR of the words that changed. Neither routine swaps the
// side to move; the caller does, both variables together.
#include <cassert>

#include "hash/hash.h"
#include "position/position.h"

namespace {
// The XOR of the key words a move changes, both keys in one register, applied to the keys once
// at the end rather than word by word. Without Keys every call is empty.
template <bool Keys>
struct KeyChange {
  uint64_t pair = 0;
  void Toggle(int32_t type, int32_t colour, int32_t square) {
    if (Keys) pair ^= PieceKeyPair(type, colour, square);
  }
  void ToggleSide() {
    if (Keys) pair ^= KeyPairs[SideKeyPair];
  }
  void Apply() const {
    if (!Keys) return;
    KeyCheck ^= uint32_t(pair);
    KeyIndex ^= uint32_t(pair >> 32);
  }
};

// Moves a piece of the colour's set (or its type's) between squares, or in and out with one mask.
inline void ToggleSquares(int32_t colour, int32_t type, uint64_t squares) {
  SquareSets[colour][type] ^= squares;
  SquareSets[colour][0] ^= squares;
}

// Moves whatever stands on `from` to `to` by swapping the cells, and tells its list entry.
inline void SwapCells(int32_t from, int32_t to, int32_t colour) {
  const BoardCell moving = Board[from];
  Board[from] = Board[to];
  Board[to] = moving;
  PieceList[colour][moving.listIndex].square = to;
}

inline int32_t EnPassantVictimSquare(const Move& move) {
  return (move.to & 7) + (move.from & 0x70);
}

void ComputeKeysFor(int32_t sideToMove, uint32_t& check, uint32_t& index) {
  check = sideToMove == Black ? SideWord(CheckBank) : 0;
  index = sideToMove == Black ? SideWord(IndexBank) : 0;
  for (int32_t square = 0; square < 120; ++square) {
    const BoardCell& cell = Board[square];
    if (!IsOnBoard(square) || cell.type == Empty) continue;
    check ^= PieceWord(CheckBank, cell.type, cell.colour, square);
    index ^= PieceWord(IndexBank, cell.type, cell.colour, square);
  }
}

int32_t SetsMatchBoard() {
  uint64_t sets[2][8];
  SquareSetsFromBoard(sets);
  for (int32_t colour = 0; colour < 2; ++colour)
    for (int32_t type = 0; type < 8; ++type)
      if (sets[colour][type] != SquareSets[colour][type]) return 0;
  return 1;
}

int32_t ListsMatchBoard() {
  int32_t count = 0;
  for (int32_t square = 0; square < 120; ++square) {
    const BoardCell& cell = Board[square];
    if (cell.type == Empty) continue;
    if (!IsOnBoard(square) || cell.colour < 0 || cell.colour > 1) return 0;
    if (cell.listIndex < 0 || cell.listIndex > LastEntry[cell.colour]) return 0;
    const PieceEntry& entry = PieceList[cell.colour][cell.listIndex];
    if (entry.square != square || entry.type != cell.type) return 0;
    ++count;
  }
  if (count != PieceCount) return 0;
  for (int32_t colour = 0; colour < 2; ++colour) {
    if (LastEntry[colour] < -1 || LastEntry[colour] > 15) return 0;
    if (LastEntry[colour] >= 0 && PieceList[colour][0].type != King) return 0;
    for (int32_t i = 0; i < 16; ++i) {
      const PieceEntry& entry = PieceList[colour][i];
      if (entry.type == Empty) continue;
      if (i > LastEntry[colour]) return 0;
      if (i > LastOfficer[colour] && entry.type != Pawn) return 0;
      const BoardCell& cell = Board[entry.square];
      if (cell.type != entry.type || cell.colour != colour || cell.listIndex != i) return 0;
    }
  }
  return 1;
}

// The position as it stands with `sideToMove` to move (after MakeMove the mover has not been
// swapped yet, but the keys already carry the side word of the opponent). Without Keys the keys
// are not asked about: they still describe the position where the search crossed its horizon.
template <bool Keys = true>
int32_t ConsistentWith(int32_t sideToMove) {
  if (!ListsMatchBoard() || !SetsMatchBoard()) return 0;
  if (!Keys) return 1;
  uint32_t check, index;
  ComputeKeysFor(sideToMove, check, index);
  return check == KeyCheck && index == KeyIndex;
}
}  // namespace

void ComputeKeys(uint32_t& check, uint32_t& index) { ComputeKeysFor(SideToMove, check, index); }

int32_t PositionIsConsistent() { return ConsistentWith(SideToMove); }

namespace {
// Castling, en passant and promotion finish here, after the common part has moved the piece
// (and removed what it captured); they are rare, so the common move keeps its registers.
template <bool Keys>
[[gnu::noinline]] void MakeSpecialPart(const Move& move, int32_t s, int32_t o) {
  KeyChange<Keys> keys;
  switch (move.kind) {
    case CastleShort:
      keys.Toggle(Rook, s, move.to + 1);
      keys.Toggle(Rook, s, move.to - 1);
      ToggleSquares(s, Rook, SquareMask(move.to + 1) | SquareMask(move.to - 1));
      SwapCells(move.to + 1, move.to - 1, s);
      break;
    case CastleLong:
      keys.Toggle(Rook, s, move.to - 2);
      keys.Toggle(Rook, s, move.to + 1);
      ToggleSquares(s, Rook, SquareMask(move.to - 2) | SquareMask(move.to + 1));
      SwapCells(move.to - 2, move.to + 1, s);
      break;
    case EnPassant: {
      const int32_t victim = EnPassantVictimSquare(move);
      keys.Toggle(Pawn, o, victim);
      ToggleSquares(o, Pawn, SquareMask(victim));
      PieceList[o][Board[victim].listIndex].type = Empty;
      Board[victim].type = Empty;
      --PieceCount;
      break;
    }
    case Promotion: {
      keys.Toggle(Pawn, s, move.from);
      keys.Toggle(move.piece, s, move.from);
      // The new piece arrived on `to` with the common part; the pawn left `from`.
      SquareSets[s][move.piece] ^= SquareMask(move.from);
      SquareSets[s][Pawn] ^= SquareMask(move.from);
      const int32_t entry = Board[move.to].listIndex;
      Board[move.to].type = move.piece;
      PieceList[s][entry].type = move.piece;
      if (LastOfficer[s] < entry) LastOfficer[s] = entry;
      break;
    }
    default:
      break;
  }
  keys.Apply();
}

template <bool Keys>
[[gnu::noinline]] void UnmakeSpecialPart(const Move& move, int32_t s, int32_t o) {
  KeyChange<Keys> keys;
  switch (move.kind) {
    case CastleShort:
      keys.Toggle(Rook, s, move.to - 1);
      keys.Toggle(Rook, s, move.to + 1);
      ToggleSquares(s, Rook, SquareMask(move.to + 1) | SquareMask(move.to - 1));
      SwapCells(move.to - 1, move.to + 1, s);
      break;
    case CastleLong:
      keys.Toggle(Rook, s, move.to + 1);
      keys.Toggle(Rook, s, move.to - 2);
      ToggleSquares(s, Rook, SquareMask(move.to - 2) | SquareMask(move.to + 1));
      SwapCells(move.to + 1, move.to - 2, s);
      break;
    case EnPassant: {
      const int32_t victim = EnPassantVictimSquare(move);
      keys.Toggle(Pawn, o, victim);
      ToggleSquares(o, Pawn, SquareMask(victim));
      BoardCell& cell = Board[victim];
      PieceList[o][cell.listIndex] = PieceEntry{victim, Pawn};
      cell.type = Pawn;
      cell.colour = int8_t(o);
      ++PieceCount;
      break;
    }
    case Promotion: {
      keys.Toggle(move.piece, s, move.from);
      keys.Toggle(Pawn, s, move.from);
      SquareSets[s][move.piece] ^= SquareMask(move.from);
      SquareSets[s][Pawn] ^= SquareMask(move.from);
      Board[move.from].type = Pawn;
      PieceList[s][Board[move.from].listIndex].type = Pawn;
      while (LastOfficer[s] >= 0 && PieceList[s][LastOfficer[s]].type == Pawn) --LastOfficer[s];
      break;
    }
    default:
      break;
  }
  keys.Apply();
}
}  // namespace

// The null move is made with the keys only: its child always probes the table.
template <bool Keys>
void MakeMove(const Move& move) {
  const int32_t s = SideToMove, o = OtherSide;
  KeyChange<Keys> keys;
  keys.ToggleSide();
  assert(Keys || move.kind != NullMove);
  if (Keys && move.kind == NullMove) return keys.Apply();
  if (move.captured != Empty) {
    keys.Toggle(move.captured, o, move.to);
    ToggleSquares(o, move.captured, SquareMask(move.to));
    PieceList[o][Board[move.to].listIndex].type = Empty;
    Board[move.to].type = Empty;
    --PieceCount;
  }
  keys.Toggle(move.piece, s, move.from);
  keys.Toggle(move.piece, s, move.to);
  ToggleSquares(s, move.piece, SquareMask(move.from) | SquareMask(move.to));
  SwapCells(move.from, move.to, s);
  keys.Apply();
  if (move.kind != Normal) MakeSpecialPart<Keys>(move, s, o);
  assert(ConsistentWith<Keys>(o));
}

template <bool Keys>
void UnmakeMove(const Move& move) {
  const int32_t s = SideToMove, o = OtherSide;
  KeyChange<Keys> keys;
  keys.ToggleSide();
  assert(Keys || move.kind != NullMove);
  if (Keys && move.kind == NullMove) return keys.Apply();
  keys.Toggle(move.piece, s, move.to);
  keys.Toggle(move.piece, s, move.from);
  ToggleSquares(s, move.piece, SquareMask(move.from) | SquareMask(move.to));
  SwapCells(move.to, move.from, s);
  if (move.captured != Empty) {
    keys.Toggle(move.captured, o, move.to);
    ToggleSquares(o, move.captured, SquareMask(move.to));
    // The capture cleared only the types: the captured piece's cell has come back with its
    // colour and list index, and its list entry still holds its square.
    BoardCell& cell = Board[move.to];
    assert(cell.colour == o && PieceList[o][cell.listIndex].square == move.to);
    PieceList[o][cell.listIndex].type = move.captured;
    cell.type = move.captured;
    ++PieceCount;
  }
  keys.Apply();
  if (move.kind != Normal) UnmakeSpecialPart<Keys>(move, s, o);
  assert(ConsistentWith<Keys>(s));
}

template void MakeMove<true>(const Move& move);
template void MakeMove<false>(const Move& move);
template void UnmakeMove<true>(const Move& move);
template void UnmakeMove<false>(const Move& move);
