// A node's stages: the line move, recaptures, killers, the remaining captures, then castling and
// quiet moves (or, below the horizon, the pushes that promote). Every move is built by a
// generator in *CurrentMove and handed to TryMove at once; a result of 1 (cutoff or stop)
// travels up through every generator and stage.
#include <cassert>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "search/nodesets.h"
#include "search/search.h"

// Futility pruning drops a quiet move of a node with FutilityDepth plies or less to go when the
// move gives no check and leaves the evaluation FutilityMargin or more below alpha; the dropped
// move's evaluation still raises the node's best score. When not even the piece's best square could
// escape the pruning or raise the best score, its quiet moves that give no check would all be
// dropped without a trace, and only those that give check need to be built. Alpha and the best
// score only rise while the node runs, so what holds for the piece's first move holds for its last.
static bool OnlyChecksMatter(const SearchNode& node, int32_t square, int8_t type) {
  if (node.depth > FutilityDepth || Ply == 0 || !HasScore(node)) return false;
  const int32_t side = SideToMove;
  if (type == Pawn && IsLastRank(square + PawnAdvance[side])) return false;  // it promotes
  const int32_t bound =
      BestSquareValue[side][type] - PieceSquare[side][type][square] - node.moverEval;
  return bound <= node.best && bound + FutilityMargin <= node.alpha;
}

// The children of a node with 2 plies or more to go probe the table.
template <>
void SearchSink<false>::Ahead(SearchNode& node, int32_t to) {
  if (node.depth < 2) return;
  Move next = *CurrentMove;
  next.to = int16_t(to);
  PrefetchTableAfter(next);
}

struct CheckingSink {
  static int32_t Try(SearchNode& node) { return GivesCheck(*CurrentMove) && TryMove<false>(node); }
};

static int32_t SearchQuietMoves(SearchNode& node, int32_t square, int8_t type) {
  if (!OnlyChecksMatter(node, square, type))
    return GenerateQuietMoves<SearchSink<false>>(node, square);
  return MayGiveCheck(square, type) && GenerateQuietMoves<CheckingSink>(node, square);
}

// The squares of each side's seventh rank, from which a pawn's push promotes.
static constexpr uint64_t SeventhRankSquares[2] = {uint64_t(0xFF) << 48, uint64_t(0xFF) << 8};

#ifndef NDEBUG
// The list indices of the officers that capture on the target, found from its square.
static uint32_t OfficersAttacking(const AttackerSets& sets, int32_t target) {
  const Attackers attackers = CandidateAttackers(sets, target);
  return ListIndices(attackers.steppers | UnblockedSliders(attackers.sliders, target, Occupied()));
}
#endif

// What a node's stages share: the squares found on first use, the destinations a later stage
// must not search again, and whether the node's moves may repeat a position.
template <bool Quiescent>
[[gnu::always_inline]] static inline void PrepareStages(SearchNode& node) {
  node.unsafeOrigins = 0;  // found when a move first needs them
  // An empty record's destination is no square, so it adds nothing.
  node.triedSquares = SquareMask(node.pv[Ply].to);
  if (Quiescent) return;
  node.triedSquares |= SquareMask(Killers[Ply][0].to) | SquareMask(Killers[Ply][1].to);
  node.mayRepeat = Ply == 0 || (IsReversible(CurrentMove[-1]) && IsReversible(CurrentMove[-2]) &&
                                IsReversible(CurrentMove[-3]));
}

// The first move of the line an earlier iteration (or the move's reduced search) found here.
template <bool Quiescent>
[[gnu::always_inline]] static inline int32_t TryLineMove(SearchNode& node) {
  if (node.pv[Ply].piece == Empty) return 0;
  node.stage = StagePv;
  *CurrentMove = node.pv[Ply];
  return TryMove<Quiescent>(node);
}

// En passant, then the captures of the piece that has just moved.
template <bool Quiescent>
[[gnu::always_inline]] static inline int32_t TryRecaptures(SearchNode& node, const Move& previous) {
  using Sink = SearchSink<Quiescent>;
  node.stage = StageRecaptures;
  if (GenerateEnPassant<Sink>(node)) return 1;
  return previous.piece != Empty && previous.piece != King &&
         GenerateCapturesOf<Sink>(node, previous.to);
}

// The two moves that last cut a node at this ply, when they fit this board; a recapture was
// tried already.
[[gnu::always_inline]] static inline int32_t TryKillers(SearchNode& node, const Move& previous) {
  node.stage = StageKillers;
  const Move* killers = Killers[Ply];
  if (killers[0].kind == LineEnd) return 0;
  const int32_t recaptureSquare = previous.to;
  for (int slot = 0; slot < 2; ++slot) {
    *CurrentMove = killers[slot];
    assert(!IsKillerPlayable() == !GeneratorsBuild(node, killers[slot]));
    if (CurrentMove->to != recaptureSquare && IsKillerPlayable() && TryMove<false>(node)) return 1;
  }
  return 0;
}

// The enemy pieces (the king is never a target, the recaptured piece was done) that some piece
// of ours attacks are found with set operations and then taken in list order: whether a piece is
// attacked is as good as random, so a test per list entry would cost a mispredicted branch per
// entry. Our pieces do not change while the node runs (every move is taken back before the
// next), so their sets are read once. Below the root the enemy king is never attacked (the
// enemy's move into this node was legal), so only the root leaves it out by hand.
template <bool Quiescent>
[[gnu::always_inline]] static inline int32_t TryRemainingCaptures(SearchNode& node,
                                                                  const Move& previous,
                                                                  const AttackerSets& sets) {
  // A quiescent node has no killers to skip, so its remaining captures are filtered as its
  // recaptures are: its stage stays as it is.
  if (!Quiescent) node.stage = StageRemaining;
  const int32_t enemy = OtherSide;
  uint64_t open = SquareSets[enemy][0] & ~SquareMask(previous.to);
  if (!Quiescent && Ply == 0) open &= ~SquareSets[enemy][King];
  CaptureMap map;
  MapCaptures(map, sets, open, Occupied());
  assert((map.targets & 1) == 0 || Ply == 0);  // entry 0 is the king
  assert(map.targets == ListIndices(open & AttackedSquares(sets, Occupied())));
  const PieceEntry* targets = PieceList[enemy];
  for (uint32_t reached = map.targets; reached != 0; reached &= reached - 1) {
    const int32_t index = LowestBit(reached), target = targets[index].square;
    const uint64_t pawns = SquareReach.pawnFrom[sets.colour][SquareBit(target)] & sets.pawns;
    assert(map.officers[index] == OfficersAttacking(sets, target));
    if (GenerateMappedCaptures<SearchSink<Quiescent>>(node, target, pawns, map.officers[index]))
      return 1;
  }
  return 0;
}

// Below the horizon the only quiet moves are the pushes that promote.
[[gnu::always_inline]] static inline int32_t TryPromotionPushes(SearchNode& node,
                                                                const AttackerSets& sets) {
  const int32_t side = SideToMove;
  if ((sets.pawns & SeventhRankSquares[side]) == 0) return 0;
  for (int32_t i = 1; i <= LastEntry[side]; ++i) {
    const PieceEntry& entry = PieceList[side][i];
    if (entry.type == Pawn && (entry.square & 0x70) == SeventhRank[side] &&
        GenerateQuietMoves<SearchSink<true>>(node, entry.square))
      return 1;
  }
  return 0;
}

// Castling, then the quiet moves of every piece in list order, the king's last.
[[gnu::always_inline]] static inline int32_t TryQuietMoves(SearchNode& node) {
  if (GenerateCastling<SearchSink<false>>(node)) return 1;
  const int32_t side = SideToMove;
  for (int32_t i = 1; i <= LastEntry[side]; ++i) {
    const PieceEntry& entry = PieceList[side][i];
    if (entry.type != Empty && SearchQuietMoves(node, entry.square, entry.type)) return 1;
  }
  return SearchQuietMoves(node, PieceList[side][0].square, King);
}

// The stages of a node, in order; the first that cuts the node off (or sees a stop) ends it.
// Below the horizon (quiescent nodes) only captures and promotions are searched, and the node's
// moves go to TryMove<true>, which leaves out what only matters with depth to go.
template <bool Quiescent>
static void SearchStages(SearchNode& node) {
  const Move& previous = PreviousMove();
  PrepareStages<Quiescent>(node);
  if (TryLineMove<Quiescent>(node) || TryRecaptures<Quiescent>(node, previous)) return;
  if (!Quiescent && TryKillers(node, previous)) return;
  const AttackerSets sets = ReadAttackerSets(SideToMove);
  if (TryRemainingCaptures<Quiescent>(node, previous, sets)) return;
  if (Quiescent)
    TryPromotionPushes(node, sets);
  else
    TryQuietMoves(node);
}

// Full-width nodes (the root and SearchChild with depth to go) come here; quiescent nodes enter
// their stages through SearchQuiescentMoves.
void SearchMoves(SearchNode& node) { SearchStages<false>(node); }

// Kept a call of its own: quiescent node entry (SearchQuiescent) is then small enough for the
// compiler to put it into the move loops that call it, which saves it a frame of its own.
[[gnu::noinline]] void SearchQuiescentMoves(SearchNode& node) { SearchStages<true>(node); }
