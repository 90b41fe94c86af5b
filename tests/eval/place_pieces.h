// Puts a position on the board straight from the placement field of a FEN, without the set-up
// routine: enough for the evaluation, which reads only the cells, the king entries and the sides.
#pragma once

#include <cctype>
#include <cstring>

#include "position/position.h"

inline void PlacePieces(const char* placement, int32_t side) {
  for (BoardCell& cell : Board) cell = BoardCell{16, 0, Empty};
  for (auto& list : PieceList)
    for (PieceEntry& entry : list) entry = PieceEntry{0, Empty};
  int32_t rank = 7, file = 0;
  for (const char* c = placement; *c && *c != ' '; ++c) {
    if (*c == '/') {
      --rank;
      file = 0;
    } else if (std::isdigit(static_cast<unsigned char>(*c))) {
      file += *c - '0';
    } else {
      const int8_t type = int8_t(std::strchr(PieceLetters, std::tolower(*c)) - PieceLetters);
      Board[rank * 16 + file] = BoardCell{0, int8_t(std::isupper(*c) ? White : Black), type};
      ++file;
    }
  }
  // Lists ordered by type, then square, as a rebuild orders them.
  PieceCount = 0;
  for (int32_t colour = White; colour <= Black; ++colour) {
    int32_t count = 0;
    LastOfficer[colour] = -1;
    for (int8_t type = King; type <= Pawn; ++type)
      for (int32_t q = 0; q < 120; ++q)
        if (IsOnBoard(q) && Board[q].type == type && Board[q].colour == colour) {
          Board[q].listIndex = int16_t(count);
          PieceList[colour][count] = PieceEntry{q, type};
          if (type != Pawn) LastOfficer[colour] = count;
          ++count;
        }
    LastEntry[colour] = count - 1;
    PieceCount += count;
  }
  SideToMove = RootSide = side;
  OtherSide = 1 - side;
}
