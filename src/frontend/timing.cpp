// The time budget of a search and the poll that enforces it. The clock is read once every 4096
// polls and the node limit only when the count reaches it, so the common case of the check
// costs one counter decrement and a sign test per searched move.
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"
#include "position/position.h"

static const char* FindKey(const char* arguments, const char* key) {
  return FindText(arguments, key);
}

// The word on its own: at the end of the arguments too, where no blank follows it.
static const char* FindWord(const char* arguments, const char* word) {
  const size_t length = std::strlen(word);
  for (const char* found = FindText(arguments, word); found; found = FindText(found + 1, word))
    if ((found == arguments || found[-1] == ' ') && (found[length] == ' ' || found[length] == 0))
      return found;
  return nullptr;
}

int32_t ParseGo(const char* arguments) {
  const char side = "wb"[SideToMove];
  char key[8];
  int32_t time = 0, increment = 0, movesToGo = 0;
  bool clockGiven = false;

  std::snprintf(key, sizeof key, "%ctime ", side);
  if (const char* found = FindKey(arguments, key)) {
    time = ReadNumber(found + 6);
    clockGiven = true;
  }
  std::snprintf(key, sizeof key, "%cinc ", side);
  if (const char* found = FindKey(arguments, key)) increment = ReadNumber(found + 5);
  if (const char* found = FindKey(arguments, "movestogo ")) movesToGo = ReadNumber(found + 10);
  if (movesToGo <= 0) movesToGo = increment != 0 ? 20 : 30;

  // 64-bit intermediates: the arithmetic is the 32-bit one for every sane clock, and a clock
  // near the 32-bit limit cannot overflow.
  const int64_t usable = int64_t(time) - time / 20;
  int64_t budget = (usable - increment) / movesToGo - 300 + increment;
  if (budget > usable) budget = usable;
  if (budget < 1) budget = 1;

  const bool ponderOrInfinite = FindKey(arguments, "infinite") || FindKey(arguments, "ponder");
  Limits = SearchLimits{};
  if (const char* found = FindKey(arguments, "movetime ")) {
    const int32_t moveTime = ReadNumber(found + 9);
    budget = moveTime < 1 ? 1 : moveTime;
    Limits.hardBudget = 1;
    clockGiven = true;
  }
  if (const char* found = FindKey(arguments, "depth ")) {
    const int32_t depth = ReadNumber(found + 6);
    Limits.depth = depth < 1 ? 1 : depth > 63 ? 63 : depth;
    Limits.clock = clockGiven;
  }
  if (const char* found = FindKey(arguments, "nodes ")) {
    const uint64_t nodes = ReadUnsigned(found + 6);
    Limits.nodes = nodes < 1 ? 1 : nodes;
    Limits.clock = clockGiven;
  }
  if (const char* found = FindWord(arguments, "mate")) {
    const int32_t moves = ReadNumber(found + 4);
    if (moves >= 1) {
      Limits.mate = moves;
      Limits.mateAnswers =
          !clockGiven && !FindKey(arguments, "depth ") && !Limits.nodes && !ponderOrInfinite;
    } else {
      WriteLine("info string go mate needs a number of moves above 0; searching without it");
    }
  }
  PonderOrInfinite.store(ponderOrInfinite || Limits.mateAnswers, std::memory_order_release);
  return int32_t(budget);
}

// The node count at which CheckTime next does more than count: the next clock reading (every
// 4096 nodes) or the node limit, whichever comes first.
static void SetNextPoll(int32_t sincePoll) {
  int64_t next = 4096;
  if (Limits.nodes) {
    const uint64_t counted = KiloNodes * 1024;
    const uint64_t left = Limits.nodes > counted ? Limits.nodes - counted : 0;
    if (left < uint64_t(next)) next = int64_t(left);
  }
  NodesToPoll = int32_t(next);
  PollCountdown = NodesToPoll - 1 - sincePoll;
}

void ResetNodeCount() {
  KiloNodes = 0;
  SetNextPoll(0);
}

[[gnu::noinline]] static int32_t PollLimits() {
  if (NodesSincePoll() > 4095) {
    KiloNodes += 4;
    PollCountdown += 4096;
    if (!PonderOrInfinite.load(std::memory_order_acquire) && Limits.clock &&
        uint32_t(TickCount() - SearchStartTick) >= uint32_t(TimeBudget))
      StopRequested.store(1, std::memory_order_release);
  }
  if (Limits.nodes && NodeCount() >= Limits.nodes)
    StopRequested.store(1, std::memory_order_release);
  SetNextPoll(NodesSincePoll());
  return StopRequested.load(std::memory_order_relaxed);
}

int32_t CheckTime() {
  if (StopRequested.load(std::memory_order_relaxed)) return 1;
  if (--PollCountdown >= 0) return 0;
  return PollLimits();
}
