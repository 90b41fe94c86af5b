// Move evaluation: the change of the running score that one move causes, read from the root's
// tables and the per-ply pawn-file records, without looking at the board.
#include "eval/eval.h"
#include "position/position.h"
#include "search/search.h"

namespace {

// The side ahead at the root wants pieces off and pawns on; the side behind the reverse.
int32_t TradeBonus(int32_t side, int8_t captured) {
  if (PieceCount > 11 || (RootScore <= 192 && RootScore >= -192)) return 0;
  int32_t bonus = RootScore > 0 ? 16 : -16;
  if (RootSide != side) bonus = -bonus;
  if (captured == Pawn) bonus = -bonus;
  return bonus;
}

// EvaluateMove copies the previous ply's record whole and changes a side's half of it at most
// once, only when a pawn is captured or captures: the penalty before the change is read from the
// half as it was. Each returns how much the side's structure improves.

// A pawn that captures (or takes en passant) leaves its file for another.
int32_t ShiftPawnFile(uint16_t& half, int32_t from, int32_t to) {
  const uint32_t toBit = uint32_t(FileBit[to & 7]), fromBit = uint32_t(FileBit[from & 7]);
  const uint32_t files = half & 0xFF, doubled = (half >> 8) | (toBit & files);
  const int32_t before = PawnFilePenalty[half];
  half = uint16_t(((files & ~fromBit) | doubled | toBit) | (doubled & ~fromBit) << 8);
  return before - PawnFilePenalty[half];
}

int32_t TakePawnOff(uint16_t& half, int32_t square) {
  const uint32_t bit = uint32_t(FileBit[square & 7]);
  const uint32_t files = half & 0xFF, doubled = half >> 8;
  const int32_t before = PawnFilePenalty[half];
  half = uint16_t(((files & ~bit) | doubled) | (doubled & ~bit) << 8);
  return before - PawnFilePenalty[half];
}

}  // namespace

int32_t PawnPenalty(int32_t ply, int32_t side) {
  return PawnFilePenalty[PawnFiles[ply].side[side]];
}

namespace {
// What castling, en passant and promotion add to the move of the piece itself.
int32_t SpecialGain(const Move& m, int32_t s, int32_t o, uint16_t& mine) {
  switch (m.kind) {
    case EnPassant:
      return PieceSquare[o][Pawn][m.to - PawnAdvance[s]] + PieceValue[Pawn];
    case Promotion:
      return PieceSquare[s][m.piece][m.from] + PieceValue[m.piece] - PieceValue[Pawn] -
             PieceSquare[s][Pawn][m.from] + TakePawnOff(mine, m.from);
    case CastleShort:
      return PieceSquare[s][Rook][m.to - 1] - PieceSquare[s][Rook][m.to + 1] + 32;
    case CastleLong:
      return PieceSquare[s][Rook][m.to + 1] - PieceSquare[s][Rook][m.to - 2] + 16;
    default:
      return 0;
  }
}

}  // namespace

int32_t EvaluateMove() {
  const Move& m = *CurrentMove;
  const int32_t s = SideToMove, o = OtherSide;
  const int8_t p = m.piece;
  int32_t gain = PieceSquare[s][p][m.to] - PieceSquare[s][p][m.from];
  PawnFileRecord& record = PawnFiles[Ply];
  record = PawnFiles[Ply - 1];
  if (m.kind != Normal) gain += SpecialGain(m, s, o, record.side[s]);
  if (m.captured != Empty)
    gain += PieceSquare[o][m.captured][m.to] + PieceValue[m.captured] + TradeBonus(s, m.captured);
  if (p == Pawn && (m.captured != Empty || m.kind != Normal))
    gain += ShiftPawnFile(record.side[s], m.from, m.to);
  if (m.captured == Pawn || m.kind == EnPassant) gain -= TakePawnOff(record.side[o], m.to);
  return gain;
}
