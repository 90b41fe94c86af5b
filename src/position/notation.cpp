// Coordinate notation: "e2e4", "e7e8q"; castling is the king's two-file move, en passant the
// pawn's diagonal move. The move applier decodes a word against the current board, refuses what
// make/unmake could not play safely, and keeps the history window of played moves.
#include <algorithm>
#include <cstring>

#include "frontend/frontend.h"
#include "position/position.h"

namespace {
char MoveText[6];

bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
bool IsRank(char c) { return c >= '1' && c <= '8'; }

int8_t PromotionType(char letter) {
  switch (letter) {
    case 'q':
      return Queen;
    case 'r':
      return Rook;
    case 'b':
      return Bishop;
    case 'n':
      return Knight;
    default:
      return Empty;
  }
}

bool IsLastRankFor(int32_t colour, int32_t square) {
  return (square >> 4) == (colour == White ? 7 : 0);
}

// The reason a decoded record would break MakeMove's preconditions, or null when it can be
// played. Legality beyond that (checks, pins, piece geometry) is the interface's business.
const char* Refusal(const Move& move, bool promotionLetter) {
  const BoardCell& origin = Board[move.from];
  const BoardCell& target = Board[move.to];
  const int32_t s = SideToMove;
  if (origin.type == Empty || origin.colour != s)
    return "no piece of the side to move on its origin";
  if (target.type != Empty && target.colour == s) return "own piece on its destination";
  if (target.type == King) return "king on its destination";
  if (promotionLetter && origin.type != Pawn) return "promotion by a piece that is no pawn";
  // An en-passant capture may follow onto the square the pawn passed: it must be free.
  if (origin.type == Pawn && (move.to - move.from == 32 || move.from - move.to == 32) &&
      Board[(move.to + move.from) / 2].type != Empty)
    return "a pawn's double step over a piece";
  switch (move.kind) {
    case CastleShort:
    case CastleLong: {
      const int32_t home = s == White ? SquareE1 : SquareE8;
      const bool isShort = move.kind == CastleShort;
      const int32_t corner = isShort ? move.to + 1 : move.to - 2;
      if (move.from != home || move.to != (isShort ? home + 2 : home - 2)) {
        return "a king move of two files that is no castling";
      }
      if (Board[corner].type != Rook || Board[corner].colour != s) return "no rook on its corner";
      for (int32_t square = std::min(home, corner) + 1; square < std::max(home, corner); ++square) {
        if (Board[square].type != Empty) return "square between king and rook occupied";
      }
      return nullptr;
    }
    case EnPassant: {
      const BoardCell& victim = Board[(move.to & 7) + (move.from & 0x70)];
      if (victim.type != Pawn || victim.colour != 1 - s) return "no enemy pawn to take en passant";
      return nullptr;
    }
    default:
      return nullptr;
  }
}

void DecodeMove(const char* word, Move& move) {
  move.from = int16_t((word[0] - 'a') + (word[1] - '1') * 16);
  move.to = int16_t((word[2] - 'a') + (word[3] - '1') * 16);
  move.captured = Board[move.to].type;
  move.piece = Board[move.from].type;
  move.kind = Normal;
  if (move.piece == Pawn && IsLastRankFor(SideToMove, move.to)) {
    const int8_t chosen = PromotionType(word[4]);
    move.kind = Promotion;
    move.piece = chosen != Empty ? chosen : int8_t(Queen);
  } else if (move.piece == King && (word[0] - word[2] == 2 || word[0] - word[2] == -2)) {
    move.kind = word[0] - word[2] == 2 ? CastleLong : CastleShort;
  } else if (move.piece == Pawn && word[0] != word[2] && move.captured == Empty) {
    move.kind = EnPassant;
  }
}

// A move leaving the window takes its castling information along; the squares it touched keep
// their lost rights in CastlingRightsLost instead.
void RememberLeavingMove(const Move& move) {
  if (move.piece == Empty) return;
  for (int32_t k = 0; k < 6; ++k) {
    if (move.from == CastlingSquares[k] || move.to == CastlingSquares[k]) {
      CastlingRightsLost |= uint8_t(1 << k);
    }
  }
}
}  // namespace

const char* MoveToText(const Move& move) {
  if (move.piece == Empty) {
    MoveText[0] = 0;
    return MoveText;
  }
  MoveText[0] = char('a' + (move.from & 15));
  MoveText[1] = char('1' + (move.from >> 4));
  MoveText[2] = char('a' + (move.to & 15));
  MoveText[3] = char('1' + (move.to >> 4));
  MoveText[4] = move.kind == Promotion ? PieceLetters[move.piece] : 0;
  MoveText[5] = 0;
  return MoveText;
}

int32_t ApplyMoveText(const char* word) {
  if (!IsFile(word[0]) || !IsRank(word[1]) || !IsFile(word[2]) || !IsRank(word[3])) return 0;
  Move& move = GameLine[RootSlot];
  DecodeMove(word, move);
  if (const char* reason = Refusal(move, PromotionType(word[4]) != Empty)) {
    WriteLine("info string move %s not played (%s); the moves after it are ignored", word, reason);
    return -1;
  }
  MakeMove(move);
  RootSide = SideToMove = OtherSide;
  OtherSide = 1 - SideToMove;
  RememberLeavingMove(GameLine[1]);
  std::memmove(GameLine, GameLine + 1, RootSlot * sizeof(Move));
  GameLine[0] = LineEndRecord;
  return 1;
}
