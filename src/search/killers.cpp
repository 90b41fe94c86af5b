// Two killer moves per ply: the last two moves that cut a node at this ply, slot 0 the newest.
#include "search/search.h"

void ClearKillers() {
  for (auto& slots : Killers) slots[0] = slots[1] = LineEndRecord;
}

void StoreKiller(const Move& move) {
  // Recaptures and en passant are found by the recapture stage anyway.
  if (move.piece == Empty || move.to == CurrentMove[-1].to || move.kind == EnPassant) return;
  Move* slots = Killers[Ply];
  if (slots[0].kind == LineEnd || SameMove(slots[0], move)) {
    slots[0] = move;
    return;
  }
  slots[1] = slots[0];
  slots[0] = move;
}
