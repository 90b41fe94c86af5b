// Iterative deepening at the root: each iteration one ply deeper, from depth 2 on inside an
// aspiration window of half a pawn around the last score, widened by re-searching when the score
// falls outside it.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "search/search.h"

// Kept a call of its own: a line per iteration or root move is no reason to make the move loop
// that reports it larger.
[[gnu::noinline]] void PrintSearchInfo() {
  if (SilentSearch) return;
  const uint64_t nodes = NodeCount();
  const uint32_t time = TickCount() - SearchStartTick;
  const uint64_t nps = time == 0 ? 0 : nodes / time * 1000;
  char score[40];
  if (std::abs(RootScore) <= MateThreshold - 1) {
    std::snprintf(score, sizeof score, "cp %d", RootScore * 100 / 256);
  } else {
    const int32_t moves = (MateScore + 1 - std::abs(RootScore)) / 2;
    std::snprintf(score, sizeof score, "mate %d", RootScore < 0 ? -moves : moves);
  }
  const char* bound = RootBound < 0 ? " upperbound" : RootBound > 0 ? " lowerbound" : "";
  std::string line;
  for (int32_t i = 0; i < MaxPly && RootPv[i].kind != LineEnd; ++i) {
    line += i == 0 ? " pv " : " ";
    line += MoveToText(RootPv[i]);
  }
  if (!BeginSearchOutput()) return;
  WriteLine("info depth %d seldepth %d score %s%s time %u nodes %" PRIu64 " nps %" PRIu64 "%s",
            IterationDepth, SelDepth, score, bound, time, nodes, nps, line.c_str());
  EndSearchOutput();
}

// Whether a move the generators built at the root leaves its own king unattacked.
static bool IsLegalAtRoot(const Move& move) {
  const int32_t mover = SideToMove;
  MakeMove(move);
  const bool legal = !IsAttacked(int8_t(OtherSide), PieceList[mover][0].square);
  UnmakeMove(move);
  return legal;
}

// The first legal move in generation order, so that even a search stopped at once answers with
// a move the interface accepts.
struct FirstLegalSink {
  static inline Move found;
  static int32_t Try(SearchNode&) {
    if (!IsAllowedAtRoot(*CurrentMove) || !IsLegalAtRoot(*CurrentMove)) return 0;
    found = *CurrentMove;
    return 1;
  }
};

static void PublishFirstLegalMove() {
  SearchNode& node = NodeStack[0];
  FirstLegalSink::found = LineEndRecord;
  GenerateAllMoves<FirstLegalSink>(node);
  PublishRootMoves(&FirstLegalSink::found, nullptr);
}

static bool InCheck() { return IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square); }

static bool TimeForAnotherIteration() {
  if (PonderOrInfinite.load(std::memory_order_acquire) || !Limits.clock || Limits.hardBudget)
    return true;
  return uint32_t(TickCount() - SearchStartTick) <= uint32_t(2 * int64_t(TimeBudget) / 3);
}

// "go mate N": the side to move mates within N moves.
static bool MateFoundWithinLimit() {
  return Limits.mate && RootScore >= MateThreshold &&
         RootScore >= int64_t(MateScore) - 2 * int64_t(Limits.mate);
}

// The far side of the window is narrowed only once per iteration: after a fail low and then a
// fail high (or the reverse) the window is the full one.
bool WidenWindow(int32_t score, int32_t& alpha, int32_t& beta, int32_t& bound) {
  if (score <= alpha) {
    if (bound == 0) beta = alpha - 1;
    alpha = -MateScore;
    bound = -1;
    return true;
  }
  if (score >= beta) {
    if (bound == 0) alpha = beta + 1;
    beta = MateScore;
    bound = 1;
    return true;
  }
  return false;
}

// One iteration: passes with a widening window until the score falls inside it. Returns false
// when the search must end now.
static bool SearchIteration(SearchNode& root, bool& onlyMove) {
  int32_t alpha = -MateScore, beta = MateScore;
  if (IterationDepth > 1) {
    alpha = RootScore - AspirationWindow;
    beta = RootScore + AspirationWindow;
  }
  RootBound = 0;
  for (;;) {
    RootMoveCount = 0;
    PrintSearchInfo();
    root.best = -MateScore;
    root.alpha = int16_t(alpha);
    root.beta = int16_t(beta);
    root.depth = int16_t(IterationDepth);
    SearchMoves(root);
    if (StopRequested.load(std::memory_order_acquire)) return false;
    if (root.best == -MateScore && !InCheck()) root.best = 0;
    // A root searched over some of its moves only says nothing of the position.
    if (AllowedRootMoveCount == 0) StoreTable(alpha, beta, IterationDepth, root.best);
    if (RootMoveCount == 0) {
      // Mated or stalemated: nothing deeper can change that, also when pondering.
      RootScore = root.best;
      return false;
    }
    // A single legal move needs no deeper search; a single move of "searchmoves" is analysed.
    if (RootMoveCount <= 1 && IterationDepth == 1 && AllowedRootMoveCount == 0 &&
        !PonderOrInfinite.load(std::memory_order_acquire)) {
      onlyMove = true;
      return false;
    }
    if (!WidenWindow(RootScore, alpha, beta, RootBound)) return true;
  }
}

// Before the channel opens: the root's line and its first legal move, published so that even a
// "stop" read at once answers a legal move of this position.
static void PrepareRoot() {
  SearchStartTick = TickCount();
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  RootPv[0] = LineEndRecord;
  PublishFirstLegalMove();
}

// Iterations one ply deeper each, until a limit, a mate, the deepest iteration or a stop.
static void Deepen() {
  IterationDepth = 0;
  ResetNodeCount();
  ClearKillers();
  RootScore = PrepareEvaluation();

  SearchNode& root = NodeStack[0];
  root.moverEval = int16_t(-RootScore);
  root.pv = RootPv;
  bool onlyMove = false;
  for (;;) {
    ++IterationDepth;
    SelDepth = IterationDepth;
    if (!SearchIteration(root, onlyMove)) break;
    StoreKiller(RootPv[0]);
    if (MateFoundWithinLimit() || !TimeForAnotherIteration() || IterationDepth >= MaxPly ||
        IterationDepth >= Limits.depth || std::abs(RootScore) >= MateThreshold)
      break;
  }
  // "go mate" alone waits like "infinite" only while the deepening goes on: however it ends (the
  // mate found, a longer one, the deepest iteration), the search answers by itself.
  if (Limits.mateAnswers) PonderOrInfinite.store(0, std::memory_order_release);
}

void RunSearch() {
  PrepareRoot();
  Deepen();
}

void SearchRoot() {
  PrepareRoot();
  BeginSearching();
  Deepen();
  EndSearching();
}

namespace {
struct AllowSink {
  static inline std::vector<std::string>* words;
  static int32_t Try(SearchNode&) {
    const Move& move = *CurrentMove;
    if (AllowedRootMoveCount == 256 ||
        std::find(words->begin(), words->end(), MoveToText(move)) == words->end())
      return 0;
    if (IsLegalAtRoot(move)) AllowedRootMoves[AllowedRootMoveCount++] = move;
    return 0;
  }
};

bool IsGoKeyword(const std::string& word) {
  for (const char* keyword : {"searchmoves", "ponder", "wtime", "btime", "winc", "binc",
                              "movestogo", "depth", "nodes", "mate", "movetime", "infinite"})
    if (word == keyword) return true;
  return false;
}
}  // namespace

void SetAllowedRootMoves(const char* arguments) {
  AllowedRootMoveCount = 0;
  std::istringstream in(arguments);
  std::vector<std::string> words;
  bool listed = false, listing = false;
  for (std::string word; in >> word;) {
    if (word == "searchmoves")
      listed = listing = true;
    else if (IsGoKeyword(word))
      listing = false;  // the list ends at the next keyword
    else if (listing)
      words.push_back(word);
  }
  if (!listed) return;
  AllowSink::words = &words;
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  GenerateAllMoves<AllowSink>(NodeStack[0]);
  if (AllowedRootMoveCount == 0)
    WriteLine("info string no legal move among searchmoves; every move is searched");
}

bool IsAllowedAtRoot(const Move& move) {
  if (AllowedRootMoveCount == 0) return true;
  for (int32_t i = 0; i < AllowedRootMoveCount; ++i)
    if (SameMove(AllowedRootMoves[i], move)) return true;
  return false;
}
