// Draws by rule end a move without a search: the fifty-move rule at the root only, repetitions
// against the whole reversible stretch at the root and the last four plies below it.
#include "search/search.h"

int32_t CheckDraw(SearchNode& node) {
  bool draw;
  if (Ply == 0)
    draw = ReversibleCount(0) >= 100 || IsRepetition(0, 1);
  else  // a capture, pawn move or castling cannot repeat a position: most moves end here
    draw = IsReversible(*CurrentMove) && IsRepetition(Ply, 0);
  if (draw) node.moveScore = 0;
  return draw ? 1 : 0;
}
