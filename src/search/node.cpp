// The move loop. Every move is built by a generator in *CurrentMove and handed to TryMove at
// once; a result of 1 (cutoff or stop) travels up through every generator and stage.
#include <bit>
#include <cassert>
#include <cstring>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "search/search.h"

static const Move& PreviousMove() { return CurrentMove[-1]; }

// A node's best score starts at the score of being mated at its ply, until a move gives it one.
static bool HasScore(const SearchNode& node) { return node.best != Ply - MateScore; }

// Only direct checks are seen; a pawn checks from its new square, a promotion with its new type
// (the pawn still stands on its origin while this is asked). Another piece checks when the king
// is in its empty-board reach from there with nothing in between (as PieceAttacks answers, from
// the square sets: a stepper has no squares in between).
static bool GivesCheck(const Move& move) {
  const int32_t enemyKing = PieceList[OtherSide][0].square;
  if (move.piece == Pawn) {
    const int32_t difference = enemyKing - move.to - PawnAdvance[SideToMove];
    return difference == 1 || difference == -1;
  }
  const int32_t to = SquareBit(move.to), king = SquareBit(enemyKing);
  const bool check = (SquareReach.piece[move.piece][to] & SquareBits.ofBit[king]) != 0 &&
                     (Between.squares[to][king] & Occupied()) == 0;
  assert(check == (PieceAttacks(move.piece, move.to, enemyKing) != 0));
  return check;
}

// Futility pruning drops a quiet move of a node with 3 plies or less to go when the move gives no
// check and leaves the evaluation 300 or more below alpha; the dropped move's evaluation still
// raises the node's best score. When not even the piece's best square could escape the pruning
// or raise the best score, its quiet moves that give no check would all be dropped without a
// trace, and only those that give check need to be built. Alpha and the best score only rise
// while the node runs, so what holds for the piece's first move holds for its last.
static bool OnlyChecksMatter(const SearchNode& node, int32_t square, int8_t type) {
  if (node.depth > 3 || Ply == 0 || !HasScore(node)) return false;
  const int32_t side = SideToMove;
  if (type == Pawn && IsLastRank(square + PawnAdvance[side])) return false;  // it promotes
  const int32_t bound =
      BestSquareValue[side][type] - PieceSquare[side][type][square] - node.moverEval;
  return bound <= node.best && bound + 300 <= node.alpha;
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

// Below the horizon (quiescent nodes) only captures and promotions are searched, and the node's
// moves go to TryMove<true>, which leaves out what only matters with depth to go.
template <bool Quiescent>
static void SearchStages(SearchNode& node) {
  using Sink = SearchSink<Quiescent>;
  const Move& previous = PreviousMove();
  node.unsafeOrigins = 0;  // found when a move first needs them
  // An empty record's destination is no square, so it adds nothing.
  node.triedSquares = SquareMask(node.pv[Ply].to);
  if (!Quiescent)
    node.triedSquares |= SquareMask(Killers[Ply][0].to) | SquareMask(Killers[Ply][1].to);
  if (!Quiescent)
    node.mayRepeat = Ply == 0 || (IsReversible(CurrentMove[-1]) && IsReversible(CurrentMove[-2]) &&
                                  IsReversible(CurrentMove[-3]));

  if (node.pv[Ply].piece != 0) {
    node.stage = StagePv;
    *CurrentMove = node.pv[Ply];
    if (TryMove<Quiescent>(node)) return;
  }

  node.stage = StageRecaptures;
  if (GenerateEnPassant<Sink>(node)) return;
  if (previous.piece != Empty && previous.piece != King &&
      GenerateCapturesOf<Sink>(node, previous.to))
    return;

  if (!Quiescent) {
    node.stage = StageKillers;
    const Move* killers = Killers[Ply];
    if (killers[0].kind != LineEnd) {
      for (int slot = 0; slot < 2; ++slot) {
        *CurrentMove = killers[slot];
        if (CurrentMove->to != previous.to && IsKillerPlayable() && TryMove<Quiescent>(node))
          return;
      }
    }
  }

  // A quiescent node has no killers to skip, so its remaining captures are filtered as its
  // recaptures are: its stage stays as it is.
  if (!Quiescent) node.stage = StageRemaining;
  const int32_t enemy = OtherSide;
  // The enemy pieces (the king is never a target, the recaptured piece was done) that some piece
  // of ours attacks are found with set operations and then taken in list order: whether a
  // piece is attacked is as good as random, so a test per list entry would cost a mispredicted
  // branch per entry. Our pieces do not change while the node runs (every move is taken back
  // before the next), so their sets are read once.
  // Below the root the enemy king is never attacked (the enemy's move into this node was legal),
  // so only the root leaves it out by hand.
  const AttackerSets sets = ReadAttackerSets(SideToMove);
  uint64_t open = SquareSets[enemy][0] & ~SquareMask(previous.to);
  if (!Quiescent && Ply == 0) open &= ~SquareSets[enemy][King];
  CaptureMap map;
  MapCaptures(map, sets, open, Occupied());
  assert((map.targets & 1) == 0 || Ply == 0);  // entry 0 is the king
  assert(map.targets == ListIndices(open & AttackedSquares(sets, Occupied())));
  const PieceEntry* targets = PieceList[enemy];
  for (uint32_t reached = map.targets; reached != 0; reached &= reached - 1) {
    const int32_t index = __builtin_ctz(reached), target = targets[index].square;
    const uint64_t pawns = SquareReach.pawnFrom[sets.colour][SquareBit(target)] & sets.pawns;
    assert(map.officers[index] == OfficersAttacking(sets, target));
    if (GenerateMappedCaptures<Sink>(node, target, pawns, map.officers[index])) return;
  }

  const int32_t side = SideToMove;
  if (Quiescent) {
    // Only a pawn on its seventh rank can promote.
    if ((sets.pawns & SeventhRankSquares[side]) == 0) return;
    for (int32_t i = 1; i <= LastEntry[side]; ++i) {
      const PieceEntry& entry = PieceList[side][i];
      if (entry.type == Pawn && (entry.square & 0x70) == SeventhRank[side] &&
          GenerateQuietMoves<Sink>(node, entry.square))
        return;
    }
    return;
  }

  if (GenerateCastling<Sink>(node)) return;
  for (int32_t i = 1; i <= LastEntry[side]; ++i) {
    const PieceEntry& entry = PieceList[side][i];
    if (entry.type != Empty && SearchQuietMoves(node, entry.square, entry.type)) return;
  }
  SearchQuietMoves(node, PieceList[side][0].square, King);
}

// Full-width nodes (the root and SearchChild with depth to go) come here; quiescent nodes enter
// their stages through SearchQuiescentMoves.
void SearchMoves(SearchNode& node) { SearchStages<false>(node); }

// Kept a call of its own: quiescent node entry (SearchQuiescent) is then small enough for the
// compiler to put it into the move loops that call it, which saves it a frame of its own.
[[gnu::noinline]] void SearchQuiescentMoves(SearchNode& node) { SearchStages<true>(node); }

// Moves already searched in an earlier stage of this node are skipped: the principal move, and
// in the remaining stage the killers. The recaptures and the en passant capture need no test:
// the later stages never build them (the square of the last move holds the piece that moved
// there, the remaining captures leave it out, and killers are neither recaptures nor en passant).
template <bool Quiescent>
static bool AlreadyTried(const SearchNode& node, const Move& move) {
  assert(node.stage <= StageRecaptures || (move.to != PreviousMove().to && move.kind != EnPassant));
  if ((node.triedSquares & SquareMask(move.to)) == 0) return false;
  switch (node.stage) {
    case StageRemaining:
      if (!Quiescent && Killers[Ply][0].kind != LineEnd) {
        if (SameMove(move, Killers[Ply][0])) return true;
        if (Killers[Ply][1].kind != LineEnd && SameMove(move, Killers[Ply][1])) return true;
      }
      [[fallthrough]];
    case StageKillers:
    case StageRecaptures:
      return SameMove(move, node.pv[Ply]);
    default:
      return false;
  }
}

// Many nodes end before any move needs its legality tested (every capture futile, or the first
// one stands pat), so the squares are found on first use; the unsafe origins are never empty (the
// king's square is one).
static bool MayExposeKing(SearchNode& node, const Move& move) {
  if (node.unsafeOrigins == 0) {
    const KingSafety safety = KingSafetyOf(SideToMove, OtherSide);
    node.unsafeOrigins = safety.unsafeOrigins;
    node.checkEscapes = safety.escapes;
    // After a double step the pawns beside it may take en passant, which can open a line. (A
    // pawn's two squares differ in the 32 bit alone only when it stepped two ranks.)
    const Move& previous = PreviousMove();
    if (previous.piece == Pawn && (previous.to ^ previous.from) == 32)
      node.unsafeOrigins |= SquareMask(previous.to - 1) | SquareMask(previous.to + 1);
  }
  return (node.unsafeOrigins & SquareMask(move.from)) != 0;
}

// With the king attacked, a move that neither moves the king nor reaches an escape square leaves
// it attacked.
static bool CannotEndCheck(const SearchNode& node, const Move& move) {
  return (node.checkEscapes & SquareMask(move.to)) == 0 && move.piece != King &&
         move.kind != EnPassant;
}

#ifndef NDEBUG
static bool MakesKingAttacked(const Move& move) {
  MakeMove<false>(move);  // below the horizon the keys are not kept
  const bool attacked = IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square);
  UnmakeMove<false>(move);
  return attacked;
}
#endif

// Whether the move is the node's line move; only one going where an earlier move went can be.
static bool IsLineMove(const SearchNode& node, const Move& move) {
  return (node.triedSquares & SquareMask(move.to)) != 0 && SameMove(move, node.pv[Ply]);
}

// The line end as one 8-byte store (the padding byte zero); assigning LineEndRecord takes three
// stores, which leave the padding alone.
static void EndLine(Move& record) {
  static_assert(std::endian::native == std::endian::little);
  constexpr uint64_t word = uint64_t(uint16_t(LineEndRecord.to)) |
                            uint64_t(uint16_t(LineEndRecord.from)) << 16 |
                            uint64_t(LineEndRecord.kind) << 32;
  static_assert(LineEndRecord.piece == 0 && LineEndRecord.captured == 0);
  std::memcpy(&record, &word, sizeof word);
}

static void CopyContinuation(SearchNode& node) {
  int32_t i = Ply + 1;
  for (; i < 63 && node.childPv[i].piece != Empty; ++i) node.pv[i] = node.childPv[i];
  EndLine(node.pv[i]);
}

static void SeedChildLine(SearchNode& node, int32_t childPly) {
  if (node.stage != StagePv) {
    EndLine(node.childPv[childPly]);
    return;
  }
  int32_t i = childPly;
  for (; i < 63 && node.pv[i].kind != LineEnd; ++i) node.childPv[i] = node.pv[i];
  EndLine(node.childPv[i]);
}

static void ReportRootLine(const SearchNode& node) {
  RootScore = node.best;
  PublishRootMoves(&RootPv[0], &RootPv[1]);
  PrintSearchInfo();
}

// A move into quiescence whose child would stand pat at or above its beta returns that beta at
// once. About a third of all nodes end so; for them the move is not made. What remains to be
// done is what playing it would have done: the legality test (on the square sets, as the
// position would be after the move), the selective depth, the move's score (the child's beta)
// and the node count. The child's line is read only when the move is the node's line move, to
// copy its continuation; every other reader finds it seeded afresh by the move it follows.
// A move that draws by rule or reaches an ending with endgame data, a castling, an en passant
// capture, or a move at the root takes the full path.
enum class Shortcut { None, Illegal, StoodPat };

// Whether a move of the node may repeat a position. A full-width node knows whether the three
// moves before it allow one. A quiescent node is never the root, where CheckDraw also counts the
// fifty moves, so there only a reversible move needs to ask: not its captures, only a line move
// from an earlier iteration.
template <bool Quiescent>
static bool MayRepeat(const SearchNode& node, const Move& move) {
  return Quiescent ? IsReversible(move) : node.mayRepeat;
}
// The child's window lies below its beta (the node's alpha stays below its beta), so a stand-pat
// score at or above that beta is above the child's alpha too.
template <bool Quiescent>
static Shortcut StandsPatAtOnce(SearchNode& node, const Move& move, int32_t moveEval,
                                bool mayExpose) {
  assert(node.alpha < node.beta);
  // A quiescent node's best score never stays above alpha: it starts at the stand-pat score, to
  // which alpha is raised, and every move that raises it either cuts off or raises alpha too.
  assert(!Quiescent || node.best <= node.alpha);
  const int32_t childBeta = -node.alpha;
  const int16_t standPat = int16_t(-moveEval);
  if (standPat < childBeta || (!Quiescent && node.best > node.alpha)) return Shortcut::None;
  if (move.kind != Normal && move.kind != Promotion) return Shortcut::None;
  if (MayRepeat<Quiescent>(node, move) && IsReversible(move) && IsRepetition(Ply, 0))
    return Shortcut::None;  // a draw by rule
  // An ending with endgame data; with more than four pieces no move reaches one.
  if (PieceCount <= 4 && PieceCount - (move.captured != Empty) <= 3) return Shortcut::None;

  if (mayExpose && MoveLeavesKingAttacked(move)) return Shortcut::Illegal;
  assert(!MoveLeavesKingAttacked(move));
  if (Ply + 1 > SelDepth) SelDepth = Ply + 1;
  return Shortcut::StoodPat;
}

// A quiescent node's moves keep the depth at or below zero whatever extends them (an extension
// keeps the node's depth), so there whether a move gives check matters only to futility pruning,
// and only for a move futility would drop. Quiescence never starts at the root.
template <bool Quiescent>
int32_t TryMove(SearchNode& node) {
  Move& move = *CurrentMove;
  if (AlreadyTried<Quiescent>(node, move)) return 0;

  const int32_t moveEval = EvaluateMove() - node.moverEval;
  int32_t newDepth = Quiescent ? 0 : node.depth - 1;  // a quiescent node keeps no depth
  if constexpr (Quiescent) {
    if (HasScore(node) && moveEval + 300 <= node.alpha && !GivesCheck(move)) {
      if (moveEval > node.best) node.best = int16_t(moveEval);
      return 0;
    }
  } else {
    const Move& previous = PreviousMove();
    const bool givesCheck = GivesCheck(move);
    if (move.piece == Pawn && (move.to < 0x18 || move.to > 0x5F)) newDepth = node.depth;
    if (givesCheck || move.kind == Promotion ||
        (previous.to == move.to && (previous.captured != Empty || previous.kind != Normal) &&
         PieceValue[previous.piece] > PieceValue[move.piece]))
      newDepth = node.depth;
    if (newDepth > 0) PrefetchTableAfter(move);  // the child will probe the table
    if (newDepth <= 3 && !givesCheck && Ply > 0 && HasScore(node) && moveEval + 300 <= node.alpha) {
      if (moveEval > node.best) node.best = int16_t(moveEval);
      return 0;
    }
  }
  if (Ply >= 62) return 0;

  bool nullWindow = HasScore(node) && node.alpha <= node.best;
  const bool mayExpose = MayExposeKing(node, move);
  if (mayExpose && CannotEndCheck(node, move)) {
    assert(MakesKingAttacked(move));
    return 0;  // illegal: returned as the legality test after making it would
  }
  if (Quiescent || (newDepth <= 0 && Ply > 0)) {
    switch (StandsPatAtOnce<Quiescent>(node, move, moveEval, mayExpose)) {
      case Shortcut::Illegal:
        return 0;
      case Shortcut::StoodPat:
        if (CheckTime()) return 1;
        // The move scores the child's beta, the node's alpha, which the best score was not above.
        assert(node.best <= node.alpha);
        node.best = node.alpha;
        if (IsLineMove(node, move)) {
          SeedChildLine(node, Ply + 1);
          CopyContinuation(node);
        }
        return 0;  // the child's score is alpha: nothing rises above it
      case Shortcut::None:
        break;
    }
  }
  // A child with depth to go probes the table: only then do the keys have to follow the move.
  const bool keys = !Quiescent && newDepth > 0;
  const auto make = [&] { keys ? MakeMove<true>(move) : MakeMove<false>(move); };
  const auto unmake = [&] { keys ? UnmakeMove<true>(move) : UnmakeMove<false>(move); };
  for (;;) {
    make();
    if (keys && move.kind != Normal) PrefetchTable();  // its slot was not known before
    if (mayExpose && IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square)) {
      unmake();
      return 0;
    }
    assert(!IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square));
    if (!Quiescent && Ply == 0) {
      if (!IsAllowedAtRoot(move)) {
        unmake();
        return 0;
      }
      ++RootMoveCount;
      if (!SilentSearch && BeginSearchOutput()) {
        WriteLine("info currmove %s currmovenumber %d", MoveToText(move), RootMoveCount);
        EndSearchOutput();
      }
    }
    int16_t score;  // kept in a register across the child's search, not in the node
    if ((PieceCount <= 3 && ProbeEndgame(node)) ||
        (MayRepeat<Quiescent>(node, move) && CheckDraw(node))) {
      EndLine(node.childPv[Ply + 1]);
      score = node.moveScore;
    } else {
      ++Ply;
      ++CurrentMove;
      if (Ply > SelDepth) SelDepth = Ply;
      SeedChildLine(node, Ply);
      for (int32_t reduction = !Quiescent && newDepth > 4 ? 3 : 0;; reduction = 0) {
        const int32_t alpha = nullWindow ? -node.alpha - 1 : -node.beta;
        score = int16_t(
            Quiescent ? -SearchQuiescent(node, alpha, -node.alpha, moveEval)
                      : -SearchChild(node, alpha, -node.alpha, newDepth - reduction, moveEval));
        if (reduction == 0) break;
      }
      --Ply;
      --CurrentMove;
    }
    unmake();
    if (CheckTime()) return 1;

    if (score > node.best) node.best = score;
    if (IsLineMove(node, move)) {
      CopyContinuation(node);
      if (!Quiescent && Ply == 0) ReportRootLine(node);
    }
    if (node.best <= node.alpha) return 0;
    CopyContinuation(node);
    node.pv[Ply] = move;
    node.triedSquares |= SquareMask(move.to);
    if (!Quiescent && Ply == 0) ReportRootLine(node);
    if (node.best >= node.beta) return 1;
    node.alpha = node.best;
    if (!nullWindow) return 0;
    nullWindow = false;
  }
}
