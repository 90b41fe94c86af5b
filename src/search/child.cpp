// Node entry below the root: stand pat in quiescence, the table elsewhere, then the null move,
// the move loop, mate and stalemate scoring, the table store and the killer.
#include <cassert>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/search.h"

static void SwapSides() {
  const int32_t side = SideToMove;
  SideToMove = OtherSide;
  OtherSide = side;
}

static bool SideToMoveInCheck() {
  return IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square) != 0;
}

static bool Stopped() { return StopRequested.load(std::memory_order_acquire) != 0; }

// The killers' children probe the table once the null move and the recaptures are done: their
// slots are asked for now. A killer that cannot be played costs a cache line.
static void PrefetchKillerSlots() {
  for (const Move& killer : Killers[Ply]) {
    if (killer.kind == LineEnd) break;
    PrefetchTableAfter(killer);
  }
}

// The side to move passes; if even that holds beta, the node is cut.
static bool NullMoveHolds(SearchNode& node, int32_t alpha, int32_t beta, int32_t depth,
                          int32_t evaluation) {
  *CurrentMove = NullMoveRecord;
  node.stage = StageNull;
  const int32_t nullDepth = depth - NullMoveReduction < 1 ? 1 : depth - NullMoveReduction;
  MakeMove(*CurrentMove);
  PawnFiles[Ply] = PawnFiles[Ply - 1];
  ++Ply;
  ++CurrentMove;
  if (Ply > SelDepth) SelDepth = Ply;
  node.childPv[Ply] = LineEndRecord;
  node.best = int16_t(-SearchChild(node, -beta, -beta + 1, nullDepth, -evaluation));
  --Ply;
  --CurrentMove;
  UnmakeMove(*CurrentMove);
  if (node.best >= beta) {
    if (!Stopped()) StoreTable(alpha, beta, depth, node.best);
    return true;
  }
  node.best = int16_t(Ply - MateScore);
  return false;
}

// The child's record is found from its parent's: one addition, where NodeStack[Ply] took a
// multiplication by the record's size.
static SearchNode& ChildOf(SearchNode& parent) {
  SearchNode& node = (&parent)[1];
  assert(&node == &NodeStack[Ply]);
  return node;
}

// With no depth left the node stands pat, then tries captures and promotions; no table, no null
// move, no killer. Its depth is never read again: every move keeps it at or below zero.
int32_t SearchQuiescent(SearchNode& parent, int32_t alpha, int32_t beta, int32_t evaluation) {
  SearchNode& node = ChildOf(parent);
  node.best = int16_t(-evaluation);
  if (alpha < node.best) {
    if (node.best >= beta) return beta;
    alpha = node.best;
  }
  node.alpha = int16_t(alpha);
  node.beta = int16_t(beta);
  node.moverEval = int16_t(evaluation);
  node.pv = parent.childPv;
  SwapSides();
  SearchQuiescentMoves(node);
  if (node.best == Ply - MateScore && !Stopped() && !SideToMoveInCheck()) node.best = 0;
  SwapSides();
  return node.best < beta ? node.best : beta;
}

// Kept a call of its own: put into the full-width move loop, it would push make and unmake with
// the keys out of that loop instead.
[[gnu::noinline]] int32_t SearchChild(SearchNode& parent, int32_t alpha, int32_t beta,
                                      int32_t depth, int32_t evaluation) {
  if (depth <= 0) return SearchQuiescent(parent, alpha, beta, evaluation);
  SearchNode& node = ChildOf(parent);
  // The null move's child probes the table too: its slot is asked for alongside this node's own.
  if (depth >= NullMoveMinDepth) PrefetchTableAfter(NullMoveRecord);
  if (ProbeTable(alpha, beta, depth, node.best)) return node.best;
  node.best = int16_t(Ply - MateScore);
  node.alpha = int16_t(alpha);
  node.beta = int16_t(beta);
  node.depth = int16_t(depth);
  node.moverEval = int16_t(evaluation);
  node.pv = parent.childPv;
  SwapSides();
  if (depth > 1) PrefetchKillerSlots();

  // Not twice in a row, not when a mate is the bound, not when its child would stand at the
  // deepest ply, and never in check.
  const bool nullMoveAllowed = depth >= NullMoveMinDepth && CurrentMove[-1].kind != NullMove &&
                               beta < MateScore && Ply < DeepestPly && !SideToMoveInCheck();
  if (!(nullMoveAllowed && NullMoveHolds(node, alpha, beta, depth, evaluation))) {
    SearchMoves(node);
    if (!Stopped()) {
      if (node.best == Ply - MateScore && !SideToMoveInCheck()) node.best = 0;
      StoreTable(alpha, beta, depth, node.best);
      if (node.best >= beta) StoreKiller(node.pv[Ply]);
    }
  }
  SwapSides();
  return node.best < beta ? node.best : beta;
}
