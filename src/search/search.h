// The search: iterative deepening at the root, one SearchNode record per ply, staged move
// generation that hands each move to TryMove the moment it is built (no move lists), a
// depth-preferred transposition table and two killer moves per ply.
//
// The engine's own words:
//  - officer: any piece but a pawn (the king included); the piece lists hold the officers first.
//  - line move: the move a node's principal-variation list holds for its ply, the best move an
//    earlier iteration (or the move's own reduced search) found there; tried first.
//  - stand pat: a quiescent node's score before it moves, minus the evaluation of the move that
//    led there; at or above beta the node ends at once.
//  - stand pat at once: a move into quiescence whose child would stand pat at or above its beta
//    is not made at all; the parent scores it as that child would (the shortcut in TryMove).
//  - capture map: for every enemy piece our pieces attack, which of our officers attack it,
//    found from the square sets in one pass over our pieces (CaptureMap, nodesets.h).
//  - king safety: where our moves may leave our king attacked and where a move must go to end a
//    check (KingSafety, nodesets.h), so that most moves need no legality test.
//  - reduced search: a move with more than ReducedSearchDepth plies to go is searched
//    FirstSearchReduction plies shallower first, to find its line, then to its full depth.
#pragma once

#include <cstdint>

#include "position/position.h"

constexpr int32_t MaxPly = 63;  // node records for plies 0..62
// No move is searched from the deepest ply: a node there scores as if it had none.
constexpr int32_t DeepestPly = MaxPly - 1;

// The search's numbers.
// Each iteration after the first starts inside this window around the last score (half a pawn).
constexpr int32_t AspirationWindow = 128;
// A quiet move with at most FutilityDepth plies to go, no check, and an evaluation at least
// FutilityMargin below alpha is not searched.
constexpr int32_t FutilityMargin = 300;
constexpr int32_t FutilityDepth = 3;
// The null move is tried with at least NullMoveMinDepth plies to go, and searched
// NullMoveReduction plies shallower (but at least one ply deep).
constexpr int32_t NullMoveMinDepth = 3;
constexpr int32_t NullMoveReduction = 3;
// A move with more than ReducedSearchDepth plies to go is searched FirstSearchReduction plies
// shallower first, to find its line, then to its full depth along that line.
constexpr int32_t ReducedSearchDepth = 4;
constexpr int32_t FirstSearchReduction = 3;

enum MoveStage : uint8_t {
  StageNull = 0,
  StagePv = 1,
  StageRecaptures = 2,
  StageKillers = 3,
  StageRemaining = 4,
};

// A node keeps its window, depth and scores in 16 bits and its own child line; the record of ply
// p is reused by every node at that ply. Principal-variation lists are indexed by absolute ply,
// so a child at ply p writes its line from index p on.
struct SearchNode {
  int16_t alpha;
  int16_t beta;
  int16_t depth;
  int16_t moveScore;  // of a move ended by a draw by rule or the endgame data, without a search
  int16_t best;
  int16_t moverEval;
  Move* pv;
  uint8_t stage;
  // Below the root a move repeats a position only after three reversible moves; when the three
  // before a full-width node's are not, none of its moves needs the repetition test. (Quiescent
  // nodes move few reversible moves and always test them; they leave this unset.)
  bool mayRepeat;
  // Where a move of the side to move may come from and still leave its king attacked, and where
  // a move must go when the king is attacked (KingSafety, found when a move first needs them): the
  // legality test is made for those moves only, and skipped for a move that cannot end a check.
  uint64_t unsafeOrigins;
  uint64_t checkEscapes;
  // The destinations of the moves a later stage must not search again (the line move's and, in
  // a full-width node, the killers'): a move going elsewhere needs no comparison.
  uint64_t triedSquares;
  Move childPv[64];
};

extern SearchNode NodeStack[MaxPly];
extern Move RootPv[64];
extern int32_t IterationDepth;
extern int32_t SelDepth;
extern int32_t RootBound;
extern int32_t RootMoveCount;
extern Move Killers[MaxPly][2];
// The bench searches without information lines.
extern bool SilentSearch;
// "go searchmoves": the root moves the search may try, in the order the generators build them;
// with none listed every move is tried.
extern Move AllowedRootMoves[256];
extern int32_t AllowedRootMoveCount;
// Reads the words after "searchmoves" (up to the next "go" keyword) and keeps those that are
// legal moves here; when none is, says so and allows every move.
void SetAllowedRootMoves(const char* arguments);
bool IsAllowedAtRoot(const Move& move);

// Rank bits of the rank from which a pawn's push promotes.
constexpr int32_t SeventhRank[2] = {0x60, 0x10};

// A "go": the search with the command channel open, so that the input thread answers and stops
// it.
void SearchRoot();
// The search alone, for the bench and the tests: the caller clears StopRequested first.
void RunSearch();
void PrintSearchInfo();
// After a pass of the root: widens the aspiration window when the score fell outside it.
bool WidenWindow(int32_t score, int32_t& alpha, int32_t& beta, int32_t& bound);
// The stages of a full-width node, and of a quiescent one.
void SearchMoves(SearchNode& node);
void SearchQuiescentMoves(SearchNode& node);
template <bool Quiescent>
int32_t TryMove(SearchNode& node);
// A child's record is the one after its parent's (plies are consecutive records), and its line is
// written into the parent's child line.
int32_t SearchChild(SearchNode& parent, int32_t alpha, int32_t beta, int32_t depth,
                    int32_t evaluation);
int32_t SearchQuiescent(SearchNode& parent, int32_t alpha, int32_t beta, int32_t evaluation);
int32_t CheckDraw(SearchNode& node);

void ClearKillers();
void StoreKiller(const Move& move);

// Generators (movegen.h) hand each move to Sink::Try(node). The search's sink is TryMove.
// Below the horizon no child probes the table, so nothing is fetched ahead there.
template <bool Quiescent>
struct SearchSink {
  static int32_t Try(SearchNode& node) { return TryMove<Quiescent>(node); }
  static constexpr bool FetchesAhead = !Quiescent;
  static void Ahead(SearchNode& node, int32_t to);
};
int32_t IsKillerPlayable();
#ifndef NDEBUG
// The plain way of IsKillerPlayable, for debug builds: whether the generators build this very
// record in the node.
bool GeneratorsBuild(SearchNode& node, const Move& killer);
#endif
int32_t IsUnmoved(int32_t square, int8_t type, int32_t colour);

// "go perft N": one line per root move in generation order, then the total. Returns the total.
uint64_t Perft(int32_t depth);
uint64_t PerftDivide(int32_t depth);

// "bench": fixed positions to a fixed depth on a cleared table of BenchMegabytes; returns the node
// total.
constexpr int32_t BenchMegabytes = 16;
uint64_t RunBench(int32_t depth, bool verbose);
