// Staged move generation without move lists. Each generator builds one move at a time in
// *CurrentMove and hands it to Sink::Try at once; a 1 from Try (a cutoff or a stop) ends the
// generator with 1. The search's sink is TryMove, perft counts. The order in which moves come out
// is fixed and part of the engine's behaviour: node counts depend on it.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "position/position.h"
#include "position/squaresets.h"
#include "search/search.h"

// A sink may ask to hear where the next quiet move goes before the current one is tried: the
// search then starts fetching the table slot of the next move's child while the current move's
// subtree is searched. Only the destination is announced; the piece and its origin are those of
// the current move. The steps and slides of a piece are found one move ahead for this (the board
// is the same after every move taken back, so the order does not change).
template <class Sink>
constexpr bool FetchesAhead = requires {
  requires Sink::FetchesAhead;
};
template <class Sink>
inline void AnnounceNext(SearchNode& node, int32_t to) {
  if constexpr (FetchesAhead<Sink>) Sink::Ahead(node, to);
}

// Tries the move found before this one, after announcing this one; with no move found before,
// only remembers it.
template <class Sink>
inline int32_t TryPending(SearchNode& node, int32_t& pending, int32_t to) {
  if (pending < 0) {
    pending = to;
    return 0;
  }
  AnnounceNext<Sink>(node, to);
  CurrentMove->to = int16_t(pending);
  pending = to;
  return Sink::Try(node);
}
template <class Sink>
inline int32_t TryLast(SearchNode& node, int32_t pending) {
  if (pending < 0) return 0;
  CurrentMove->to = int16_t(pending);
  return Sink::Try(node);
}

// The index of the highest set bit. The count of leading zeros lies in 0..31, so 31 ^ it equals
// 31 - it; written so, GCC emits one bit scan, where the subtraction took three instructions.
inline int32_t HighestBit(uint32_t bits) { return 31 ^ __builtin_clz(bits); }

// Either end of the board in one unsigned comparison: subtracting 8 wraps the first rank
// (0x00..0x07) round to the top of the range, and takes the last (0x70..0x77) to 0x68..0x6F;
// every square in between lands at 0x67 or below.
inline bool IsLastRank(int32_t square) { return uint32_t(square - 8) > 0x67; }
// The two ranks next to either end, in one comparison the same way: subtracting 0x18 wraps the
// second rank (0x10..0x17) round to the top, and takes the seventh (0x60..0x67) above 0x47. For
// a pawn that can still push that is its start rank: rank 2 for White, rank 7 for Black (a pawn
// on its own seventh promotes, and its push never gets here).
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
  // A pawn's two squares differ in the 32 bit alone only when it stepped two ranks.
  const Move& previous = CurrentMove[-1];
  if (previous.piece != Pawn || (previous.to ^ previous.from) != 32) return 0;
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

// Captures onto the target by the pawns of the set (both on the rank behind it), the lower file
// (the lower bit) first; *CurrentMove already names the target.
template <class Sink>
int32_t GeneratePawnCapturesOf(SearchNode& node, int32_t target, uint64_t pawns) {
  Move& move = *CurrentMove;
  for (; pawns != 0; pawns &= pawns - 1) {
    move.from = int16_t(BitSquare(LowestBit(pawns)));
    move.piece = Pawn;
    if (IsLastRank(target) ? GeneratePromotions<Sink>(node) : Sink::Try(node)) return 1;
  }
  return 0;
}

// The side's officers of a mask of list indices, each moved onto the target already in the move
// record: the last entry first.
template <class Sink>
int32_t TryOfficersInListOrder(SearchNode& node, uint32_t order) {
  Move& move = *CurrentMove;
  const PieceEntry* list = PieceList[SideToMove];
  while (order != 0) {
    const int32_t i = HighestBit(order);
    order ^= 1u << i;
    move.from = int16_t(list[i].square);
    move.piece = list[i].type;
    if (Sink::Try(node)) return 1;
  }
  return 0;
}

// The officers of the side that capture on the target come out in piece-list order, the last
// entry first (promoted pieces, then knights, bishops, rooks, queens, the king): the square sets
// name the attackers, and a 16-bit mask of their list indices puts them in that order.
template <class Sink>
int32_t GenerateOfficerCaptures(SearchNode& node, int32_t target, const Attackers& attackers) {
  uint64_t attacking = attackers.steppers;
  if (attackers.sliders != 0) attacking |= UnblockedSliders(attackers.sliders, target, Occupied());
  if (attacking == 0) return 0;
  Move& move = *CurrentMove;
  // Usually one piece attacks: there is no order to establish.
  if ((attacking & (attacking - 1)) == 0) {
    const int32_t from = BitSquare(LowestBit(attacking));
    move.from = int16_t(from);
    move.piece = Board[from].type;
    return Sink::Try(node);
  }
  return TryOfficersInListOrder<Sink>(node, ListIndices(attacking));
}

// Every capture of the piece on the target by the attackers found: pawns first, the lower file
// first, then officers.
template <class Sink>
int32_t GenerateCapturesBy(SearchNode& node, int32_t target, const Attackers& attackers) {
  Move& move = *CurrentMove;
  move.captured = Board[target].type;
  move.kind = Normal;
  move.to = int16_t(target);
  if (attackers.pawns != 0 && GeneratePawnCapturesOf<Sink>(node, target, attackers.pawns)) return 1;
  if ((attackers.steppers | attackers.sliders) == 0) return 0;
  return GenerateOfficerCaptures<Sink>(node, target, attackers);
}

// The captures of one target of a CaptureMap: pawns first, the lower file first, then the
// officers of the map in list order, the last entry first.
template <class Sink>
int32_t GenerateMappedCaptures(SearchNode& node, int32_t target, uint64_t pawns,
                               uint32_t officers) {
  Move& move = *CurrentMove;
  move.captured = Board[target].type;
  move.kind = Normal;
  move.to = int16_t(target);
  if (pawns != 0 && GeneratePawnCapturesOf<Sink>(node, target, pawns)) return 1;
  return TryOfficersInListOrder<Sink>(node, officers);
}

template <class Sink>
int32_t GenerateCapturesOf(SearchNode& node, int32_t target) {
  const Attackers attackers = CandidateAttackers(SideToMove, target);
  return attackers.Any() && GenerateCapturesBy<Sink>(node, target, attackers);
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
  int32_t pending = -1;
  for (int32_t d = first; d >= last; --d) {
    const int32_t to = square + Directions[d];
    if (!IsOnBoard(to) || Board[to].type != Empty) continue;
    if (TryPending<Sink>(node, pending, to)) return 1;
  }
  return TryLast<Sink>(node, pending);
}

// Slides along each direction from the piece outwards until the first occupied square.
template <class Sink>
int32_t GenerateSlides(SearchNode& node, int32_t square, int32_t first, int32_t last) {
  int32_t pending = -1;
  for (int32_t d = first; d >= last; --d) {
    const int32_t step = Directions[d];
    for (int32_t to = square + step; IsOnBoard(to) && Board[to].type == Empty; to += step)
      if (TryPending<Sink>(node, pending, to)) return 1;
  }
  return TryLast<Sink>(node, pending);
}

template <class Sink>
int32_t GeneratePawnPushes(SearchNode& node, int32_t square) {
  Move& move = *CurrentMove;
  const int32_t advance = PawnAdvance[SideToMove];
  const int32_t to = square + advance;
  if (Board[to].type != Empty) return 0;
  move.to = int16_t(to);
  if (IsLastRank(to)) return GeneratePromotions<Sink>(node);
  // The board is the same after the single step is taken back, so the double step is found now.
  const bool twoSteps = IsPawnStartRank(square) && Board[to + advance].type == Empty;
  if (twoSteps) AnnounceNext<Sink>(node, to + advance);
  if (Sink::Try(node)) return 1;
  if (!twoSteps) return 0;
  move.to = int16_t(to + advance);
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

// Whether some square the piece on the square could step, slide or push to on an empty board
// attacks the enemy king on an empty board: if none does, no quiet move of the piece gives check,
// whatever stands in between. Queens and rooks always have such a square.
inline bool MayGiveCheck(int32_t square, int8_t type) {
  const int32_t from = SquareBit(square), king = SquareBit(PieceList[OtherSide][0].square);
  const ReachTables& reach = SquareReach;
  switch (type) {
    case Knight:
      return (reach.knight[from] & reach.knight[king]) != 0;
    case Bishop:
      return (reach.bishop[from] & reach.bishop[king]) != 0;
    case King:
      return (reach.king[from] & reach.king[king]) != 0;
    case Pawn: {
      // A pawn on its seventh rank has no second step, and that square is off the table.
      const int32_t advance = PawnAdvance[SideToMove], twice = square + 2 * advance;
      uint64_t pushes = SquareMask(square + advance);
      if (uint32_t(twice) < 128) pushes |= SquareMask(twice);
      return (pushes & reach.pawnFrom[SideToMove][king]) != 0;
    }
    default:
      return true;
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
