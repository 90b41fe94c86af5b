// The "eval" command: what the root preprocessing made of the current position, for a person
// at a terminal.
#include <cstdio>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "position/position.h"

namespace {

constexpr const char* ColourNames[2] = {"White", "Black"};
constexpr const char* TypeNames[7] = {"", "King", "Queen", "Rook", "Bishop", "Knight", "Pawn"};

double InPawns(int32_t score) { return score / 256.0; }

// Laid out like a diagram, rank 8 at the top, so a value can be found by looking at the board.
void PrintGrid(int32_t side, int8_t type) {
  WriteLine("%s %s", ColourNames[side], TypeNames[type]);
  for (int32_t rank = 7; rank >= 0; --rank) {
    char row[8 * 6 + 8];
    int32_t length = std::snprintf(row, sizeof row, "%d |", rank + 1);
    for (int32_t file = 0; file < 8; ++file)
      length += std::snprintf(row + length, sizeof row - length, "%5d",
                              PieceSquare[side][type][rank * 16 + file] - PieceValue[type]);
    WriteLine("%s", row);
  }
  WriteLine("  +----------------------------------------");
  WriteLine("       a    b    c    d    e    f    g    h");
}

}  // namespace

void PrintEvaluation() {
  const int32_t score = PrepareEvaluation();
  const int32_t whiteScore = SideToMove == White ? score : -score;
  const EvaluationFigures& figures = LastEvaluation;
  WriteLine("Score: %+.2f for White, %+.2f for %s to move", InPawns(whiteScore), InPawns(score),
            ColourNames[SideToMove]);
  WriteLine("Material: %d in all, White %+d; phase %d", figures.materialTotal,
            figures.materialBalance, figures.gamePhase);
  if (figures.losingSide != 2)
    WriteLine("Mop-up: %s is losing", ColourNames[figures.losingSide]);
  else
    WriteLine("Mop-up: none");
  WriteLine("Pawn penalty: White %d, Black %d", PawnPenalty(-1, White), PawnPenalty(-1, Black));
  for (int8_t type = King; type <= Pawn; ++type) PrintGrid(SideToMove, type);
}
