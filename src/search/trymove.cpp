// One move of a node: TryMove and its steps, from the tests that skip or drop a move to making
// it, searching its child and taking its score into the node.
#include <bit>
#include <cassert>
#include <cstring>
#include <iterator>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "search/nodesets.h"
#include "search/search.h"

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
  for (; i < MaxPly && node.childPv[i].piece != Empty; ++i) node.pv[i] = node.childPv[i];
  EndLine(node.pv[i]);
}

static void SeedChildLine(SearchNode& node, int32_t childPly) {
  if (node.stage != StagePv) {
    EndLine(node.childPv[childPly]);
    return;
  }
  int32_t i = childPly;
  for (; i < MaxPly && node.pv[i].kind != LineEnd; ++i) node.childPv[i] = node.pv[i];
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

// A pawn arriving on one of the two ranks at either end: pawns never move back, so only one
// running to its own seventh rank (or promoting from it) can.
static bool ReachesSeventhRank(const Move& move) {
  return move.piece == Pawn && (move.to < SquareA3 || move.to >= SquareA7);
}

// A capture back on the square where the previous move captured (or castled, took en passant or
// promoted), by a piece worth less than the one that went there.
static bool RecapturesWithLess(const Move& move) {
  const Move& previous = PreviousMove();
  return previous.to == move.to && (previous.captured != Empty || previous.kind != Normal) &&
         PieceValue[previous.piece] > PieceValue[move.piece];
}

// A move that checks, promotes, runs a pawn to its seventh rank or recaptures with less keeps
// the node's depth; every other move goes one ply deeper.
static int32_t DepthAfter(const SearchNode& node, const Move& move, bool givesCheck) {
  const bool extended =
      ReachesSeventhRank(move) || givesCheck || move.kind == Promotion || RecapturesWithLess(move);
  return extended ? node.depth : node.depth - 1;
}

// A move that leaves the evaluation FutilityMargin or more below alpha cannot raise the score
// near the horizon: it is dropped unless it checks, and its evaluation still raises the node's
// best score. Quiescent moves keep the depth at or below zero whatever extends them (an
// extension keeps the node's depth), so there whether a move gives check matters only for a
// move futility would drop. Quiescence never starts at the root.
template <bool Quiescent>
static bool IsFutile(SearchNode& node, const Move& move, int32_t moveEval, int32_t& newDepth) {
  bool futile;
  if constexpr (Quiescent) {
    newDepth = 0;  // a quiescent node keeps no depth
    futile = HasScore(node) && moveEval + FutilityMargin <= node.alpha && !GivesCheck(move);
  } else {
    const bool givesCheck = GivesCheck(move);
    newDepth = DepthAfter(node, move, givesCheck);
    if (newDepth > 0) PrefetchTableAfter(move);  // the child will probe the table
    futile = newDepth <= FutilityDepth && !givesCheck && Ply > 0 && HasScore(node) &&
             moveEval + FutilityMargin <= node.alpha;
  }
  if (futile && moveEval > node.best) node.best = int16_t(moveEval);
  return futile;
}

// A move the shortcut stood pat on scores the child's beta, the node's alpha, which the best
// score was not above; the child's line matters only for the node's line move.
static int32_t TakeStandPat(SearchNode& node, const Move& move) {
  if (CheckTime()) return 1;
  assert(node.best <= node.alpha);
  node.best = node.alpha;
  if (IsLineMove(node, move)) {
    SeedChildLine(node, Ply + 1);
    CopyContinuation(node);
  }
  return 0;  // the child's score is alpha: nothing rises above it
}

// A root move is searched only when "searchmoves" allows it; each one searched is announced once
// with its number in this pass.
static bool EnterRootMove(const Move& move) {
  if (!IsAllowedAtRoot(move)) return false;
  ++RootMoveCount;
  if (!SilentSearch && BeginSearchOutput()) {
    WriteLine("info currmove %s currmovenumber %d", MoveToText(move), RootMoveCount);
    EndSearchOutput();
  }
  return true;
}

// The made move's score: the endgame data or a draw by rule decide it when they can; otherwise
// the child is searched. With more than ReducedSearchDepth plies to go a search
// FirstSearchReduction plies shallower comes first: its score is not used, but it leaves the
// child's line in the node's child line and its results in the table, and the full search then
// takes that line first.
template <bool Quiescent>
static int16_t SearchMadeMove(SearchNode& node, int32_t moveEval, int32_t newDepth,
                              bool nullWindow) {
  if ((PieceCount <= 3 && ProbeEndgame(Ply, node.moveScore)) ||
      (MayRepeat<Quiescent>(node, *CurrentMove) && CheckDraw(node))) {
    EndLine(node.childPv[Ply + 1]);
    return node.moveScore;
  }
  ++Ply;
  ++CurrentMove;
  if (Ply > SelDepth) SelDepth = Ply;
  SeedChildLine(node, Ply);
  const int32_t alpha = nullWindow ? -node.alpha - 1 : -node.beta, beta = -node.alpha;
  int16_t score;  // kept in a register across the child's search, not in the node
  if constexpr (Quiescent) {
    score = int16_t(-SearchQuiescent(node, alpha, beta, moveEval));
  } else {
    if (newDepth > ReducedSearchDepth)
      SearchChild(node, alpha, beta, newDepth - FirstSearchReduction, moveEval);
    score = int16_t(-SearchChild(node, alpha, beta, newDepth, moveEval));
  }
  --Ply;
  --CurrentMove;
  return score;
}

enum class Outcome { Done, Cutoff, FullWindow };

// Takes the move's score into the node: its best score and line, the root's report, and whether
// the node is cut off or the move must be searched again with the full window (a null-window
// search that raised alpha).
template <bool Quiescent>
static Outcome RecordScore(SearchNode& node, const Move& move, int16_t score, bool nullWindow) {
  if (score > node.best) node.best = score;
  if (IsLineMove(node, move)) {
    CopyContinuation(node);
    if (!Quiescent && Ply == 0) ReportRootLine(node);
  }
  if (node.best <= node.alpha) return Outcome::Done;
  CopyContinuation(node);
  node.pv[Ply] = move;
  node.triedSquares |= SquareMask(move.to);
  if (!Quiescent && Ply == 0) ReportRootLine(node);
  if (node.best >= node.beta) return Outcome::Cutoff;
  node.alpha = node.best;
  return nullWindow ? Outcome::FullWindow : Outcome::Done;
}

// Once the node has a score above alpha, later moves are searched with a null window first,
// and only one that beats it is searched again with the full window, without taking the move
// back in between. Returns 1 on a cutoff or a stop.
template <bool Quiescent>
static int32_t SearchUntilSettled(SearchNode& node, const Move& move, int32_t moveEval,
                                  int32_t newDepth) {
  for (bool nullWindow = HasScore(node) && node.alpha <= node.best;; nullWindow = false) {
    const int16_t score = SearchMadeMove<Quiescent>(node, moveEval, newDepth, nullWindow);
    if (CheckTime()) return 1;
    const Outcome outcome = RecordScore<Quiescent>(node, move, score, nullWindow);
    if (outcome != Outcome::FullWindow) return outcome == Outcome::Cutoff;
  }
}

// Makes the move, searches it when it is legal (and, at the root, allowed), and takes it back:
// one place that takes it back, so that the move loop holds one copy of that code.
template <bool Quiescent>
static int32_t PlayAndSearch(SearchNode& node, const Move& move, int32_t moveEval, int32_t newDepth,
                             bool mayExpose) {
  // A child with depth to go probes the table: only then do the keys have to follow the move.
  const bool keys = !Quiescent && newDepth > 0;
  keys ? MakeMove<true>(move) : MakeMove<false>(move);
  if (keys && move.kind != Normal) PrefetchTable();  // its slot was not known before
  const bool legal = !mayExpose || !IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square);
  assert(legal == !IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square));
  int32_t result = 0;
  if (legal && (Quiescent || Ply != 0 || EnterRootMove(move)))
    result = SearchUntilSettled<Quiescent>(node, move, moveEval, newDepth);
  keys ? UnmakeMove<true>(move) : UnmakeMove<false>(move);
  return result;
}

#ifndef NDEBUG
// The stand-pat shortcut stands for a child it never enters. Made and entered, the move must be
// legal, reach no draw by rule and no ending with data, and its child must stand pat at once:
// the move scores the node's alpha and the child leaves its line as it was seeded. The node is
// left as it was found.
template <bool Quiescent>
static bool ShortcutMatchesChild(SearchNode& node, const Move& move, int32_t moveEval) {
  Move savedLine[std::size(node.childPv)];
  std::memcpy(savedLine, node.childPv, sizeof savedLine);
  const int16_t savedScore = node.moveScore;
  const bool nullWindow = HasScore(node) && node.alpha <= node.best;
  MakeMove<false>(move);
  bool same = !IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square) && PieceCount > 3 &&
              !(MayRepeat<Quiescent>(node, move) && CheckDraw(node));
  ++Ply;
  ++CurrentMove;
  SeedChildLine(node, Ply);
  const Move seeded = node.childPv[Ply];
  const int32_t alpha = nullWindow ? -node.alpha - 1 : -node.beta;
  same = same && int16_t(-SearchQuiescent(node, alpha, -node.alpha, moveEval)) == node.alpha &&
         SameMove(node.childPv[Ply], seeded);
  --Ply;
  --CurrentMove;
  UnmakeMove<false>(move);
  std::memcpy(node.childPv, savedLine, sizeof savedLine);
  node.moveScore = savedScore;
  return same;
}
#endif

// One move of the node, as a generator built it in *CurrentMove: skipped when an earlier stage
// tried it, dropped by futility, refused when illegal, answered by the stand-pat shortcut, or
// made and searched. Returns 1 when the node is cut off or the search must stop.
template <bool Quiescent>
int32_t TryMove(SearchNode& node) {
  const Move& move = *CurrentMove;
  if (AlreadyTried<Quiescent>(node, move)) return 0;
  const int32_t moveEval = EvaluateMove() - node.moverEval;
  int32_t newDepth;
  if (IsFutile<Quiescent>(node, move, moveEval, newDepth)) return 0;
  if (Ply >= DeepestPly) return 0;
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
        assert(ShortcutMatchesChild<Quiescent>(node, move, moveEval));
        return TakeStandPat(node, move);
      case Shortcut::None:
        break;
    }
  }
  return PlayAndSearch<Quiescent>(node, move, moveEval, newDepth, mayExpose);
}

template int32_t TryMove<false>(SearchNode& node);
template int32_t TryMove<true>(SearchNode& node);
