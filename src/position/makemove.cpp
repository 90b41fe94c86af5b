// Making and taking back moves. Every change is incremental: two cells swap, one or two list
// entries change, and the keys take the XOR of the words that changed. Neither routine swaps the
// side to move; the caller does, both variables together.
#include <cassert>
#include <utility>

#include "hash/hash.h"
#include "position/position.h"

namespace {
inline void ToggleWord(int32_t type, int32_t colour, int32_t square) {
  KeyCheck ^= PieceWord(CheckBank, type, colour, square);
  KeyIndex ^= PieceWord(IndexBank, type, colour, square);
}

inline void ToggleSide() {
  KeyCheck ^= SideWord(CheckBank);
  KeyIndex ^= SideWord(IndexBank);
}

// Moves whatever stands on `from` to `to` by swapping the cells, and tells its list entry.
inline void SwapCells(int32_t from, int32_t to, int32_t colour) {
  std::swap(Board[from], Board[to]);
  PieceList[colour][Board[to].listIndex].square = to;
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
// swapped yet, but the keys already carry the side word of the opponent).
int32_t ConsistentWith(int32_t sideToMove) {
  if (!ListsMatchBoard()) return 0;
  uint32_t check, index;
  ComputeKeysFor(sideToMove, check, index);
  return check == KeyCheck && index == KeyIndex;
}
}  // namespace

void ComputeKeys(uint32_t& check, uint32_t& index) { ComputeKeysFor(SideToMove, check, index); }

int32_t PositionIsConsistent() { return ConsistentWith(SideToMove); }

void MakeMove(const Move& move) {
  const int32_t s = SideToMove, o = OtherSide;
  ToggleSide();
  if (move.kind == NullMove) return;
  if (move.captured != Empty) {
    ToggleWord(move.captured, o, move.to);
    PieceList[o][Board[move.to].listIndex].type = Empty;
    Board[move.to].type = Empty;
    --PieceCount;
  }
  ToggleWord(move.piece, s, move.from);
  ToggleWord(move.piece, s, move.to);
  SwapCells(move.from, move.to, s);
  switch (move.kind) {
    case CastleShort:
      ToggleWord(Rook, s, move.to + 1);
      ToggleWord(Rook, s, move.to - 1);
      SwapCells(move.to + 1, move.to - 1, s);
      break;
    case CastleLong:
      ToggleWord(Rook, s, move.to - 2);
      ToggleWord(Rook, s, move.to + 1);
      SwapCells(move.to - 2, move.to + 1, s);
      break;
    case EnPassant: {
      const int32_t victim = EnPassantVictimSquare(move);
      ToggleWord(Pawn, o, victim);
      PieceList[o][Board[victim].listIndex].type = Empty;
      Board[victim].type = Empty;
      --PieceCount;
      break;
    }
    case Promotion: {
      ToggleWord(Pawn, s, move.from);
      ToggleWord(move.piece, s, move.from);
      const int32_t entry = Board[move.to].listIndex;
      Board[move.to].type = move.piece;
      PieceList[s][entry].type = move.piece;
      if (LastOfficer[s] < entry) LastOfficer[s] = entry;
      break;
    }
    default:
      break;
  }
  assert(ConsistentWith(o));
}

void UnmakeMove(const Move& move) {
  const int32_t s = SideToMove, o = OtherSide;
  ToggleSide();
  if (move.kind == NullMove) return;
  ToggleWord(move.piece, s, move.to);
  ToggleWord(move.piece, s, move.from);
  SwapCells(move.to, move.from, s);
  if (move.captured != Empty) {
    ToggleWord(move.captured, o, move.to);
    BoardCell& cell = Board[move.to];
    PieceList[o][cell.listIndex] = PieceEntry{move.to, move.captured};
    cell.type = move.captured;
    cell.colour = int8_t(o);
    ++PieceCount;
  }
  switch (move.kind) {
    case CastleShort:
      ToggleWord(Rook, s, move.to - 1);
      ToggleWord(Rook, s, move.to + 1);
      SwapCells(move.to - 1, move.to + 1, s);
      break;
    case CastleLong:
      ToggleWord(Rook, s, move.to + 1);
      ToggleWord(Rook, s, move.to - 2);
      SwapCells(move.to + 1, move.to - 2, s);
      break;
    case EnPassant: {
      const int32_t victim = EnPassantVictimSquare(move);
      ToggleWord(Pawn, o, victim);
      BoardCell& cell = Board[victim];
      PieceList[o][cell.listIndex] = PieceEntry{victim, Pawn};
      cell.type = Pawn;
      cell.colour = int8_t(o);
      ++PieceCount;
      break;
    }
    case Promotion: {
      ToggleWord(move.piece, s, move.from);
      ToggleWord(Pawn, s, move.from);
      Board[move.from].type = Pawn;
      PieceList[s][Board[move.from].listIndex].type = Pawn;
      while (LastOfficer[s] >= 0 && PieceList[s][LastOfficer[s]].type == Pawn) --LastOfficer[s];
      break;
    }
    default:
      break;
  }
  assert(ConsistentWith(s));
}
