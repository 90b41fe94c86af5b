// Move evaluation: the change of the running score that one move causes, read from the root's
// tables and the per-ply pawn-file records, without looking at the board.
#include <cassert>

#include "eval/eval.h"
#include "position/position.h"

namespace {

// The side ahead at the root wants pieces off and pawns on; the side behind the reverse.
int32_t TradeBonus(int32_t side, int8_t captured) {
  if (PieceCount > 11 || (RootScore <= 192 && RootScore >= -192)) return 0;
  int32_t bonus = RootScore > 0 ? TradeBonusValue : -TradeBonusValue;
  if (RootSide != side) bonus = -bonus;
  if (captured == Pawn) bonus = -bonus;
  return bonus;
}

// EvaluateMove copies the previous ply's record whole and changes a side's half of it at most
// once, only when a pawn is captured or captures: the penalty before the change is read from the
// half as it was. Each returns how much the side's structure improves.
//
// A file's two bits in a half (its file bit and its doubled bit) read 11, 01 or 00: a file is
// doubled only where it holds pawns. A pawn joining a file sets the lower of the clear ones (the
// doubled bit stays set beyond two pawns); a pawn leaving clears the higher of the set ones.

// Both bits of each file.
constexpr uint32_t FileBits[8] = {0x101, 0x202, 0x404, 0x808, 0x1010, 0x2020, 0x4040, 0x8080};

inline void LeaveFile(uint16_t& half, int32_t square) {
  assert((half >> 8 & ~half & 0xFF) == 0);
  const uint32_t both = half & FileBits[square & 7];
  half ^= uint16_t(both ^ both >> 8);
}

// A pawn that captures (or takes en passant) leaves its file for another.
int32_t ShiftPawnFile(uint16_t& half, int32_t from, int32_t to) {
  const int32_t before = PawnFilePenalty[half];
  const uint32_t toBit = uint32_t(FileBit[to & 7]);
  half |= uint16_t((half & toBit) << 8 | toBit);
  LeaveFile(half, from);
  return before - PawnFilePenalty[half];
}

int32_t TakePawnOff(uint16_t& half, int32_t square) {
  const int32_t before = PawnFilePenalty[half];
  LeaveFile(half, square);
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
      return PieceSquare[o][Pawn][m.to - PawnAdvance[s]];
    case Promotion:
      return PieceSquare[s][m.piece][m.from] - PieceSquare[s][Pawn][m.from] +
             TakePawnOff(mine, m.from);
    case CastleShort:
      return PieceSquare[s][Rook][m.to - 1] - PieceSquare[s][Rook][m.to + 1] + ShortCastlingBonus;
    case CastleLong:
      return PieceSquare[s][Rook][m.to + 1] - PieceSquare[s][Rook][m.to - 2] + LongCastlingBonus;
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
  if (m.captured != Empty) gain += PieceSquare[o][m.captured][m.to] + TradeBonus(s, m.captured);
  if (p == Pawn && (m.captured != Empty || m.kind != Normal))
    gain += ShiftPawnFile(record.side[s], m.from, m.to);
  if (m.captured == Pawn || m.kind == EnPassant) gain -= TakePawnOff(record.side[o], m.to);
  return gain;
}
