// The "d" command: the board as text, the side to move, a FEN whose castling and en-passant
// fields show what the engine derives from the line of moves, and both keys.
#include <cctype>
#include <string>

#include "frontend/frontend.h"
#include "position/position.h"
#include "search/search.h"

namespace {
char CellLetter(const BoardCell& cell) {
  if (cell.type == Empty) return '.';
  const char letter = PieceLetters[cell.type];
  return cell.colour == White ? char(std::toupper(static_cast<unsigned char>(letter))) : letter;
}

std::string BoardField() {
  std::string text;
  for (int32_t rank = 7; rank >= 0; --rank) {
    int32_t empty = 0;
    for (int32_t file = 0; file < 8; ++file) {
      const BoardCell& cell = Board[rank * 16 + file];
      if (cell.type == Empty) {
        ++empty;
        continue;
      }
      if (empty > 0) text += char('0' + empty);
      empty = 0;
      text += CellLetter(cell);
    }
    if (empty > 0) text += char('0' + empty);
    if (rank > 0) text += '/';
  }
  return text;
}

std::string CastlingField() {
  std::string text;
  const struct {
    char letter;
    int32_t king, rook, colour;
  } rights[] = {{'K', SquareE1, SquareH1, White},
                {'Q', SquareE1, SquareA1, White},
                {'k', SquareE8, SquareH8, Black},
                {'q', SquareE8, SquareA8, Black}};
  for (const auto& right : rights) {
    if (IsUnmoved(right.king, King, right.colour) && IsUnmoved(right.rook, Rook, right.colour)) {
      text += right.letter;
    }
  }
  return text.empty() ? "-" : text;
}

// The square passed by a double step just played, when a pawn of the side to move can legally
// take on it.
std::string EnPassantField() {
  const Move& previous = CurrentMove[-1];
  const int32_t distance = previous.to - previous.from;
  if (previous.piece != Pawn || (distance != 32 && distance != -32)) return "-";
  const int32_t passed = (previous.to + previous.from) / 2;
  for (const int32_t from : {previous.to - 1, previous.to + 1}) {
    if (!IsOnBoard(from) || Board[from].type != Pawn || Board[from].colour != SideToMove) continue;
    const Move capture{int16_t(passed), int16_t(from), EnPassant, Pawn, Empty};
    MakeMove(capture);
    const bool legal = !IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square);
    UnmakeMove(capture);
    if (legal) return {char('a' + (passed & 7)), char('1' + (passed >> 4))};
  }
  return "-";
}

int32_t FullMoveNumber() {
  int32_t played = 0;
  for (const Move* move = CurrentMove - 1; move >= GameLine && move->kind != LineEnd; --move) {
    ++played;
  }
  const int32_t startSide = SideToMove ^ (played & 1);
  return 1 + (played + startSide) / 2;
}
}  // namespace

void PrintDiagram() {
  WriteLine("   a b c d e f g h");
  for (int32_t rank = 7; rank >= 0; --rank) {
    std::string line(1, char('1' + rank));
    line += "  ";
    for (int32_t file = 0; file < 8; ++file) {
      line += CellLetter(Board[rank * 16 + file]);
      line += ' ';
    }
    line += char('1' + rank);
    WriteLine("%s", line.c_str());
  }
  WriteLine("   a b c d e f g h");
  WriteLine("Side to move: %s", SideToMove == White ? "white" : "black");
  const int32_t currentPly = int32_t(CurrentMove - (GameLine + RootSlot));
  WriteLine("Fen: %s %c %s %s %d %d", BoardField().c_str(), SideToMove == White ? 'w' : 'b',
            CastlingField().c_str(), EnPassantField().c_str(), ReversibleCount(currentPly - 1),
            FullMoveNumber());
  WriteLine("Keys: check %08X index %08X", KeyCheck, KeyIndex);
}
