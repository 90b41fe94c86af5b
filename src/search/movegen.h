// Staged move generation without move lists. Each generator builds one move at a time in
// *CurrentMove and hands it to Sink::Try at once; a 1 from Try (a cutoff or a stop) ends the
// generator with 1. The search's sink is TryMove, perft counts. The order in which moves come out
// is fixed and part of the engine's behaviour: node counts depend on it.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "position/position.h"
#include "search/search.h"

// Either end of the board, tested as one unsigned comparison.
inline bool IsLastRank(int32_t square) { return uint32_t(square - 8) > 0x67; }
// Rank 2 for White, rank 7 for Black (a pawn on its seventh promotes before it gets here).
inline bool IsPawnStartRank(int32_t square) { return uint16_t(square - 0x18) > 0x47; }

template <class Sink>
int32_t GeneratePromotions(SearchNode& node) {
  Move& move = *CurrentMove;
  move.kind = Promotion;
  for (const int8_t type : {Queen, Rook, Bishop, Knight}) {
    move.piece = type;
    if (Sink::Try(node)) return 1;
  }
  move.kind = Normal;
  move.piece = Pawn;
  return 0;
}

template <class Sink>
int32_t GenerateEnPassant(SearchNode& node) {
  const Move& previous = CurrentMove[-1];
  const int32_t distance = previous.to - previous.from;
  if (previous.piece != Pawn || (distance != 32 && distance != -32)) return 0;
  Move& move = *CurrentMove;
  for (const int32_t from : {previous.to - 1, previous.to + 1}) {
    move.from = int16_t(from);
    if (!IsOnBoard(from) || !HoldsPiece(from, Pawn, SideToMove)) continue;
    move.kind = EnPassant;
    move.piece = Pawn;
    move.captured = Empty;
    move.to = int16_t((previous.to + previous.from) / 2);
    if (Sink::Try(node)) return 1;
  }
  return 0;
}

// Pawn captures onto the target, the lower file first; *CurrentMove already names the target.
template <class Sink>
int32_t GeneratePawnCapturesOf(SearchNode& node, int32_t target, int32_t side) {
  Move& move = *CurrentMove;
  const int32_t base = target - PawnAdvance[side];
  for (const int32_t from : {base - 1, base + 1}) {
    if (!IsOnBoard(from) || !HoldsPiece(from, Pawn, side)) continue;
    move.from = int16_t(from);
    move.piece = Pawn;
    if (IsLastRank(target) ? GeneratePromotions<Sink>(node) : Sink::Try(node)) return 1;
  }
  return 0;
}

template <class Sink>
int32_t GenerateCapturesOf(SearchNode& node, int32_t target) {
  const int32_t side = SideToMove;
  Move& move = *CurrentMove;
  move.captured = Board[target].type;
  move.kind = Normal;
  move.to = int16_t(target);
  if (GeneratePawnCapturesOf<Sink>(node, target, side)) return 1;
  // Most officers cannot reach the target at all: one vector lookup rejects them (and captured
  // or pawn entries, whose types carry no attacker bit) before any square is walked.
  const PieceEntry* list = PieceList[side];
  const AttackVector* const vectors = AttackVectors;
  for (int32_t i = LastOfficer[side]; i >= 0; --i) {
    const PieceEntry entry = list[i];
    if ((vectors[target - entry.square].attackers & PieceBit[entry.type]) == 0) continue;
    if (!PieceAttacks(entry.type, entry.square, target)) continue;
    move.from = int16_t(entry.square);
    move.piece = entry.type;
    if (Sink::Try(node)) return 1;
  }
  return 0;
}

// The king and knight bits of an attack vector: pieces that reach in one step, with no walk.
constexpr int32_t StepAttackerBits = 1 | 16;

// Square number 0..63 of a board square, for one bit of a 64-bit square set.
constexpr int32_t SquareBit(int32_t square) { return (square + (square & 7)) >> 1; }

// For each officer type and square, the squares it would reach on an empty board (pawns and
// empty entries reach nothing). The union over a side's officers rejects, with one bit test,
// every target that no officer's attack vector points at, so the scan over the officers is
// skipped for it; the scan still decides, in its own order, which officers really capture.
struct ReachTable {
  uint64_t squares[7][128];
  uint64_t pawnCaptures[2][128];  // the two squares a pawn of each side captures on
};

constexpr ReachTable BuildReachTable() {
  ReachTable table{};
  struct Range {
    int8_t type, first, last;
    bool slides;
  };
  constexpr Range ranges[5] = {{King, 0, 7, false},
                               {Queen, 0, 7, true},
                               {Rook, 0, 3, true},
                               {Bishop, 4, 7, true},
                               {Knight, 8, 15, false}};
  for (const Range& range : ranges) {
    for (int32_t square = 0; square < 128; ++square) {
      if (!IsOnBoard(square)) continue;
      uint64_t reach = 0;
      for (int32_t d = range.first; d <= range.last; ++d) {
        for (int32_t to = square + Directions[d]; IsOnBoard(to); to += Directions[d]) {
          reach |= uint64_t(1) << SquareBit(to);
          if (!range.slides) break;
        }
      }
      table.squares[range.type][square] = reach;
    }
  }
  for (int32_t side = White; side <= Black; ++side) {
    for (int32_t square = 0; square < 128; ++square) {
      if (!IsOnBoard(square)) continue;
      for (const int32_t offset : {-1, 1}) {
        const int32_t to = square + PawnAdvance[side] + offset;
        if (IsOnBoard(to)) table.pawnCaptures[side][square] |= uint64_t(1) << SquareBit(to);
      }
    }
  }
  return table;
}
inline constexpr ReachTable OfficerReach = BuildReachTable();

// The side's live officers in scan order (last list entry first), with each one's attacker bit
// read once. A node asks for the captures of every enemy piece against the same officers, so
// collecting them once drops captured and pawn entries from every later scan and saves re-reading
// type and bit; the scan order, and so the move order, is that of the piece list.
struct OfficerSet {
  struct Slot {
    int32_t square;
    int32_t bit;
    int32_t type;
  };
  int32_t count;
  uint64_t reach;      // union of the officers' empty-board reach, as SquareBit bits
  uint64_t pawnReach;  // the squares the side's pawns capture on
  Slot slot[16];
};

inline void CollectOfficers(OfficerSet& set, int32_t side) {
  const PieceEntry* list = PieceList[side];
  int32_t n = 0;
  uint64_t reach = 0, pawnReach = 0;
  const uint64_t* pawnCaptures = OfficerReach.pawnCaptures[side];
  for (int32_t i = LastOfficer[side]; i >= 0; --i) {
    const PieceEntry entry = list[i];
    if (entry.type == Empty) continue;
    if (entry.type == Pawn) {
      pawnReach |= pawnCaptures[entry.square];
      continue;
    }
    set.slot[n++] = OfficerSet::Slot{entry.square, PieceBit[entry.type], entry.type};
    reach |= OfficerReach.squares[entry.type][entry.square];
  }
  for (int32_t i = LastOfficer[side] + 1; i <= LastEntry[side]; ++i) {
    if (list[i].type == Pawn) pawnReach |= pawnCaptures[list[i].square];
  }
  set.count = n;
  set.reach = reach;
  set.pawnReach = pawnReach;
}

// The same moves in the same order as GenerateCapturesOf, with the side's officers collected.
template <class Sink>
int32_t GenerateCapturesOf(SearchNode& node, int32_t target, const OfficerSet& officers) {
  const int32_t bit = SquareBit(target);
  if (((officers.reach | officers.pawnReach) >> bit & 1) == 0) return 0;
  const int32_t side = SideToMove;
  Move& move = *CurrentMove;
  move.captured = Board[target].type;
  move.kind = Normal;
  move.to = int16_t(target);
  if (officers.pawnReach >> bit & 1) {
    if (GeneratePawnCapturesOf<Sink>(node, target, side)) return 1;
  }
  if ((officers.reach >> bit & 1) == 0) return 0;
  const AttackVector* const vectors = AttackVectors;
  for (int32_t i = 0; i < officers.count; ++i) {
    const OfficerSet::Slot& slot = officers.slot[i];
    const AttackVector vector = vectors[target - slot.square];
    const int32_t bits = vector.attackers & slot.bit;
    if (bits == 0) continue;
    // King and knight bits need no walk; a slider needs every square between to be empty.
    if ((bits & StepAttackerBits) == 0) {
      int32_t square = slot.square + vector.step;
      while (square != target && Board[square].type == Empty) square += vector.step;
      if (square != target) continue;
    }
    move.from = int16_t(slot.square);
    move.piece = int8_t(slot.type);
    if (Sink::Try(node)) return 1;
  }
  return 0;
}

template <class Sink>
int32_t GenerateCastling(SearchNode& node) {
  const int32_t king = SideToMove == White ? SquareE1 : SquareE8;
  const int8_t enemy = int8_t(OtherSide);
  if (!IsUnmoved(king, King, SideToMove) || IsAttacked(enemy, king)) return 0;
  Move& move = *CurrentMove;
  move.piece = King;
  move.captured = Empty;
  move.from = int16_t(king);
  if (Board[king + 1].type == Empty && Board[king + 2].type == Empty) {
    move.to = int16_t(king + 2);
    move.kind = CastleShort;
    if (IsUnmoved(king + 3, Rook, SideToMove) && !IsAttacked(enemy, king + 1) && Sink::Try(node)) {
      return 1;
    }
  }
  if (Board[king - 1].type == Empty && Board[king - 2].type == Empty &&
      Board[king - 3].type == Empty) {
    move.to = int16_t(king - 2);
    move.kind = CastleLong;
    if (IsUnmoved(king - 4, Rook, SideToMove) && !IsAttacked(enemy, king - 1) && Sink::Try(node)) {
      return 1;
    }
  }
  return 0;
}

// Steps of one direction range (first down to last), each to an empty square only.
template <class Sink>
int32_t GenerateSteps(SearchNode& node, int32_t square, int32_t first, int32_t last) {
  Move& move = *CurrentMove;
  for (int32_t d = first; d >= last; --d) {
    const int32_t to = square + Directions[d];
    if (!IsOnBoard(to) || Board[to].type != Empty) continue;
    move.to = int16_t(to);
    if (Sink::Try(node)) return 1;
  }
  return 0;
}

// Slides along each direction from the piece outwards until the first occupied square.
template <class Sink>
int32_t GenerateSlides(SearchNode& node, int32_t square, int32_t first, int32_t last) {
  Move& move = *CurrentMove;
  for (int32_t d = first; d >= last; --d) {
    const int32_t step = Directions[d];
    for (int32_t to = square + step; IsOnBoard(to) && Board[to].type == Empty; to += step) {
      move.to = int16_t(to);
      if (Sink::Try(node)) return 1;
    }
  }
  return 0;
}

template <class Sink>
int32_t GeneratePawnPushes(SearchNode& node, int32_t square) {
  Move& move = *CurrentMove;
  const int32_t advance = PawnAdvance[SideToMove];
  int32_t to = square + advance;
  if (Board[to].type != Empty) return 0;
  move.to = int16_t(to);
  if (IsLastRank(to)) return GeneratePromotions<Sink>(node);
  if (Sink::Try(node)) return 1;
  if (!IsPawnStartRank(square)) return 0;
  to += advance;
  if (Board[to].type != Empty) return 0;
  move.to = int16_t(to);
  return Sink::Try(node);
}

template <class Sink>
int32_t GenerateQuietMoves(SearchNode& node, int32_t square) {
  Move& move = *CurrentMove;
  move.kind = Normal;
  move.from = int16_t(square);
  move.piece = Board[square].type;
  move.captured = Empty;
  switch (move.piece) {
    case King:
      return GenerateSteps<Sink>(node, square, 7, 0);
    case Knight:
      return GenerateSteps<Sink>(node, square, 15, 8);
    case Pawn:
      return GeneratePawnPushes<Sink>(node, square);
    case Queen:
      return GenerateSlides<Sink>(node, square, 7, 0);
    case Rook:
      return GenerateSlides<Sink>(node, square, 3, 0);
    case Bishop:
      return GenerateSlides<Sink>(node, square, 7, 4);
    default:
      return 0;
  }
}

// Every pseudo-legal move of the side to move, without the search's stages: en passant, the
// captures of every enemy piece, castling, the quiet moves of every own piece and the king last.
// Perft, the root's first legal move and the tests walk the moves this way.
template <class Sink>
int32_t GenerateAllMoves(SearchNode& node) {
  const int32_t side = SideToMove, enemy = OtherSide;
  if (GenerateEnPassant<Sink>(node)) return 1;
  for (int32_t i = 1; i <= LastEntry[enemy]; ++i)
    if (PieceList[enemy][i].type != Empty &&
        GenerateCapturesOf<Sink>(node, PieceList[enemy][i].square))
      return 1;
  if (GenerateCastling<Sink>(node)) return 1;
  for (int32_t i = 1; i <= LastEntry[side]; ++i)
    if (PieceList[side][i].type != Empty &&
        GenerateQuietMoves<Sink>(node, PieceList[side][i].square))
      return 1;
  return GenerateQuietMoves<Sink>(node, PieceList[side][0].square);
}
