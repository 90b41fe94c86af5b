// Perft: counts the leaves of the legal move tree through the very generators the search uses,
// with the same make, legality test, side swap and ply bookkeeping, so castling rights and en
// passant come from the line of moves exactly as they do in the search.
#include <cinttypes>

#include "frontend/frontend.h"
#include "position/position.h"
#include "search/movegen.h"
#include "search/search.h"

namespace {
uint64_t LeafCount;
bool DivideAtRoot;

// The counting sink: node.depth is the depth left below the move being tried.
struct PerftSink {
  static int32_t Try(SearchNode& node) {
    const Move& move = *CurrentMove;
    MakeMove(move);
    if (!IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square)) {
      const uint64_t before = LeafCount;
      if (node.depth <= 1) {
        ++LeafCount;
      } else {
        SearchNode& child = NodeStack[Ply + 1];
        child.depth = int16_t(node.depth - 1);
        SideToMove = OtherSide;
        OtherSide = 1 - SideToMove;
        ++Ply;
        ++CurrentMove;
        GenerateAllMoves<PerftSink>(child);
        --CurrentMove;
        --Ply;
        OtherSide = SideToMove;
        SideToMove = 1 - OtherSide;
      }
      if (DivideAtRoot && Ply == 0) {
        WriteLine("%s: %" PRIu64, MoveToText(move), LeafCount - before);
      }
    }
    UnmakeMove(move);
    return 0;
  }
};

uint64_t Walk(int32_t depth, bool divide) {
  if (depth <= 0) return 1;
  if (depth > MaxPly - 1) depth = MaxPly - 1;
  const int32_t savedPly = Ply;
  Move* const savedMove = CurrentMove;
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  LeafCount = 0;
  DivideAtRoot = divide;
  SearchNode& root = NodeStack[0];
  root.depth = int16_t(depth);
  GenerateAllMoves<PerftSink>(root);
  Ply = savedPly;
  CurrentMove = savedMove;
  return LeafCount;
}
}  // namespace

uint64_t Perft(int32_t depth) { return Walk(depth, false); }

uint64_t PerftDivide(int32_t depth) {
  const uint64_t total = Walk(depth, true);
  WriteLine("%s", "");
  WriteLine("Nodes searched: %" PRIu64, total);
  return total;
}
