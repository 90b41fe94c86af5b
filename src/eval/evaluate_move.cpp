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

int32_t Penalty(const PawnFileRecord& record, int32_t side) {
  return PawnFilePenalty[record.files[side] | record.doubled[side] << 8];
}

// EvaluateMove works on a copy of the previous ply's record and stores it once at the end. A move
// changes each side's files at most once, so the penalty before a change is read from the copy.
// Each returns how much the side's structure improves.

// A pawn that captures (or takes en passant) leaves its file for another.
int32_t ShiftPawnFile(PawnFileRecord& record, int32_t side, int32_t from, int32_t to) {
  const uint8_t toBit = uint8_t(FileBit[to & 7]), fromBit = uint8_t(FileBit[from & 7]);
  const int32_t before = Penalty(record, side);
  record.doubled[side] |= toBit & record.files[side];
  record.files[side] = (record.files[side] & ~fromBit) | record.doubled[side] | toBit;
  record.doubled[side] &= ~fromBit;
  return before - Penalty(record, side);
}

int32_t TakePawnOff(PawnFileRecord& record, int32_t side, int32_t square) {
  const uint8_t bit = uint8_t(FileBit[square & 7]);
  const int32_t before = Penalty(record, side);
  record.files[side] = (record.files[side] & ~bit) | record.doubled[side];
  record.doubled[side] &= ~bit;
  return before - Penalty(record, side);
}

}  // namespace

int32_t PawnPenalty(int32_t ply, int32_t side) { return Penalty(PawnFiles[ply], side); }

int32_t TakePawnOffFile(int8_t side, int32_t square) {
  TakePawnOff(PawnFiles[Ply], side, square);
  return PawnPenalty(Ply - 1, side) - PawnPenalty(Ply, side);
}

namespace {
// What castling, en passant and promotion add to the move of the piece itself.
int32_t SpecialGain(const Move& m, int32_t s, int32_t o, PawnFileRecord& record) {
  switch (m.kind) {
    case EnPassant:
      return PieceSquare[o][Pawn][m.to - PawnAdvance[s]] + PieceValue[Pawn];
    case Promotion:
      return PieceSquare[s][m.piece][m.from] + PieceValue[m.piece] - PieceValue[Pawn] -
             PieceSquare[s][Pawn][m.from] + TakePawnOff(record, s, m.from);
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
  PawnFileRecord record = PawnFiles[Ply - 1];
  if (m.kind != Normal) gain += SpecialGain(m, s, o, record);
  if (m.captured != Empty)
    gain += PieceSquare[o][m.captured][m.to] + PieceValue[m.captured] + TradeBonus(s, m.captured);
  if (p == Pawn && (m.captured != Empty || m.kind != Normal))
    gain += ShiftPawnFile(record, s, m.from, m.to);
  if (m.captured == Pawn || m.kind == EnPassant) gain -= TakePawnOff(record, o, m.to);
  PawnFiles[Ply] = record;
  return gain;
}
