// Perft: counts the leaves of the legal move tree through the very generators the search uses,
// with the same make, legality test, side swap and ply bookkeeping, so castling rights and en
// passant come from the line of moves exactly as they do in the search.
#include <cinttypes>
#include <optional>

#include "frontend/frontend.h"
#include "position/position.h"
#include "search/movegen.h"
#include "search/search.h"

namespace {
uint64_t LeafCount;
bool DivideAtRoot;
// "go perft" stops on a "stop" (or any command): each node with moves below it looks once.
bool StopsOnRequest;

bool StopSeen() { return StopsOnRequest && StopRequested.load(std::memory_order_relaxed) != 0; }

// The counting sink: node.depth is the depth left below the move being tried.
struct PerftSink {
  static int32_t Try(SearchNode& node) {
    const Move& move = *CurrentMove;
    MakeMove(move);
    if (!IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square)) {
      const uint64_t before = LeafCount;
      if (node.depth <= 1) {
        ++LeafCount;
      } else if (StopSeen()) {
        UnmakeMove(move);
        return 1;
      } else {
        SearchNode& child = NodeStack[Ply + 1];
        child.depth = int16_t(node.depth - 1);
        SideToMove = OtherSide;
        OtherSide = 1 - SideToMove;
        ++Ply;
        ++CurrentMove;
        const int32_t stopped = GenerateAllMoves<PerftSink>(child);
        --CurrentMove;
        --Ply;
        OtherSide = SideToMove;
        SideToMove = 1 - OtherSide;
        if (stopped) {
          UnmakeMove(move);
          return 1;
        }
      }
      if (DivideAtRoot && Ply == 0) {
        WriteLine("%s: %" PRIu64, MoveToText(move), LeafCount - before);
      }
    }
    UnmakeMove(move);
    return 0;
  }
};

// The leaf count, or nothing when a stop ended the walk.
std::optional<uint64_t> Walk(int32_t depth, bool divide) {
  if (depth <= 0) return 1;
  if (depth > DeepestPly) depth = DeepestPly;
  const int32_t savedPly = Ply;
  Move* const savedMove = CurrentMove;
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  LeafCount = 0;
  DivideAtRoot = divide;
  SearchNode& root = NodeStack[0];
  root.depth = int16_t(depth);
  const bool stopped = GenerateAllMoves<PerftSink>(root) != 0;
  Ply = savedPly;
  CurrentMove = savedMove;
  if (stopped) return std::nullopt;
  return LeafCount;
}
}  // namespace

uint64_t Perft(int32_t depth) {
  StopsOnRequest = false;
  return *Walk(depth, false);
}

// A stopped count keeps the lines of the moves counted to the end and says that the total is
// missing, so that no partial figure passes for a complete one.
uint64_t PerftDivide(int32_t depth) {
  StopsOnRequest = true;
  const std::optional<uint64_t> total = Walk(depth, true);
  StopsOnRequest = false;
  if (!total) {
    WriteLine("info string perft stopped; the moves above are complete, the total is not known");
    return 0;
  }
  WriteLine("%s", "");
  WriteLine("Nodes searched: %" PRIu64, *total);
  return *total;
}
