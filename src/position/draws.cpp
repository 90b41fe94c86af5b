// Draws by rule, worked out from the line of moves alone: no position is stored or hashed. A
// repetition is found by following every piece moved in the reversible stretch back to the square
// it stood on; the fifty-move count is the length of that stretch.
#include "position/position.h"

namespace {
// G(i) is the move of ply i of the search, or for negative i a move played in the game.
inline const Move& G(int32_t i) { return GameLine[RootSlot + i]; }

// The lowest ply whose record still exists; the history always ends there with a LineEnd.
constexpr int32_t OldestPly = -RootSlot;

// True when some later move of the same side (G(i+2), G(i+4), ... below top) leaves q again.
bool MovesOnLater(int32_t i, int32_t top, int32_t q) {
  for (int32_t j = i + 2; j < top; j += 2) {
    if (G(j).from == q) return true;
  }
  return false;
}
}  // namespace

int32_t ReversibleCount(int32_t ply) {
  int32_t count = 0;
  for (int32_t i = ply; i > OldestPly && IsReversible(G(i)); --i) ++count;
  return count;
}

int32_t IsRepetition(int32_t ply, int32_t full) {
  const int32_t p = ply;
  int32_t low = p + 1;
  while (low - 1 > OldestPly && IsReversible(G(low - 1))) {
    if (!full && low <= p - 3) break;
    --low;
  }
  if (low > p - 3) return 0;
  const int32_t top = p + 1;
  int32_t bottom = p - 3;
  for (int32_t i = p; i >= bottom; --i) {
    const int32_t q = G(i).to;
    if (MovesOnLater(i, top, q)) continue;
    // Follow the piece that arrived on q back through the same side's earlier moves.
    const int32_t limit = bottom + 1;
    int32_t v = G(i).from, j = i;
    for (;;) {
      j -= 2;
      if (j < low) return 0;
      if (G(j).to == v) v = G(j).from;
      if (v == q && j <= limit) break;
    }
    if (j >= bottom) continue;
    // The piece stood on q only before the window: widen it, keeping the same side to move.
    bottom = j;
    if ((top - bottom) & 1) {
      if (bottom == low) return 0;
      --bottom;
    }
    i = p + 1;  // scan the wider window again from the newest move
  }
  return 1;
}
