// The two tests that go with the generators: whether a killer move from a sibling still fits the
// board, and whether a king or rook still has its castling right, read from the line of moves.
#include "search/movegen.h"

#include <cstdlib>

#include "position/position.h"
#include "search/search.h"

int32_t IsUnmoved(int32_t square, int8_t type, int32_t colour) {
  const BoardCell& cell = Board[square];
  if (cell.type != type || cell.colour != colour) return 0;
  for (int32_t k = 0; k < 6; ++k) {
    if (CastlingSquares[k] == square && (CastlingRightsLost >> k & 1) != 0) return 0;
  }
  // A record arriving on the square means the original piece was taken there (or had left).
  for (const Move* move = CurrentMove - 1; move >= GameLine && move->kind != LineEnd; --move) {
    if (move->from == square || move->to == square) return 0;
  }
  return 1;
}

int32_t IsKillerPlayable() {
  const Move& move = *CurrentMove;
  if (move.piece == Empty) return 0;
  const BoardCell& origin = Board[move.from];
  const BoardCell& target = Board[move.to];
  const int8_t mover = move.kind == Promotion ? int8_t(Pawn) : move.piece;
  if (origin.type != mover || origin.colour != SideToMove) return 0;
  if (target.type != move.captured) return 0;
  if (move.captured != Empty && target.colour != OtherSide) return 0;
  const int8_t enemy = int8_t(OtherSide);
  switch (move.kind) {
    case Normal:
      if (move.piece != Pawn) return PieceAttacks(move.piece, move.from, move.to);
      if (std::abs(move.to - move.from) > 31) return Board[(move.to + move.from) / 2].type == Empty;
      return 1;
    case Promotion:
      return 1;
    case CastleShort:
      return IsUnmoved(move.from, King, SideToMove) && IsUnmoved(move.from + 3, Rook, SideToMove) &&
             Board[move.from + 1].type == Empty && !IsAttacked(enemy, move.from) &&
             !IsAttacked(enemy, move.from + 1);
    case CastleLong:
      return IsUnmoved(move.from, King, SideToMove) && IsUnmoved(move.from - 4, Rook, SideToMove) &&
             Board[move.from - 1].type == Empty && Board[move.from - 3].type == Empty &&
             !IsAttacked(enemy, move.from) && !IsAttacked(enemy, move.from - 1);
    default:
      return 0;
  }
}

#ifndef NDEBUG
namespace {
Move Sought;
bool Built;
struct FindSought {
  static int32_t Try(SearchNode&) {
    Built = Built || SameMove(*CurrentMove, Sought);
    return 0;
  }
};
}  // namespace

bool GeneratorsBuild(SearchNode& node, const Move& killer) {
  Sought = killer;
  Built = false;
  GenerateAllMoves<FindSought>(node);
  *CurrentMove = killer;
  return Built;
}
#endif
