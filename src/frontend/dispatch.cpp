// The UCI dispatcher: run by the main thread whenever the input thread has posted a command. A "go"
// runs the whole search inside this call.
#include <strings.h>

#include <cstring>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"
#include "search/search.h"

static bool Is(const char* name) { return strcasecmp(CommandWord.c_str(), name) == 0; }

// Deeper counts take longer than anyone waits for.
constexpr int32_t MaxPerftDepth = 20;

// If the pool cannot be allocated the engine keys positions from this copy, so that set-up and
// search never read through a null pool; only the table is given up.
static uint8_t FallbackKeyPool[KeyPoolBytes];

static void EnsureKeyPool() {
  if (KeyPool) return;
  RandomSeed = 30073;
  for (uint8_t& byte : FallbackKeyPool) byte = uint8_t(RandomInRange(0, 255));
  KeyPool = FallbackKeyPool;
  KeyPoolSize = KeyPoolBytes;
  BuildKeyPairs();
}

void PrepareTables(int32_t megabytes) {
  if (megabytes < 1) megabytes = 1;
  if (megabytes > MaxHashMegabytes) megabytes = MaxHashMegabytes;
  const uint32_t entries = uint32_t(megabytes) << 17;
  if (entries != TableEntryCount || !KeyPool) {
    FreeTables();
    BuildKeyPool(KeyPoolBytes);
    EnsureKeyPool();
    AllocateTable(entries);
  }
  if (!AttackVectors) BuildAttackVectors();
}

void FreeTables() {
  if (KeyPool == FallbackKeyPool) {
    KeyPool = nullptr;
    KeyPoolSize = 0;
  } else if (KeyPool) {
    FreeKeyPool();
  }
  FreeTable();
  if (AttackVectors) FreeAttackVectors();
}

// Interfaces send "isready" before the first position; a script may not. Commands that need the
// tables prepare them as "isready" would.
static void EnsureTables() {
  if (!KeyPool || !AttackVectors) PrepareTables(HashMegabytes < 1 ? 1 : HashMegabytes);
}

// Until the first "position" the engine holds the start position, not an empty board.
static bool PositionSet = false;

static void EnsurePosition() {
  EnsureTables();
  if (!PositionSet) PositionSet = SetPosition("startpos") != 0;
}

static void RunGo() {
  EnsurePosition();
  if (const char* perft = FindText(CommandArgs.c_str(), "perft")) {
    const int32_t depth = ReadNumber(perft + 5);
    BeginSearching();  // "isready" is answered, "stop" or any other command ends the count
    if (depth >= 1) PerftDivide(depth > MaxPerftDepth ? MaxPerftDepth : depth);
    EndSearching();
    return;
  }
  TimeBudget = ParseGo(CommandArgs.c_str());
  SetAllowedRootMoves(CommandArgs.c_str());
  StoppedByCommand.store(0, std::memory_order_relaxed);
  BestMoveOwed.store(1, std::memory_order_release);
  SearchRoot();
  // A search bound by the clock is answered here; a pondering or infinite one waits for "stop"
  // or "ponderhit", unless another command has ended it.
  if ((PonderOrInfinite.load(std::memory_order_acquire) == 0 ||
       StoppedByCommand.load(std::memory_order_acquire)) &&
      BestMoveOwed.exchange(0, std::memory_order_acq_rel))
    SendBestMove(0);
}

static void RunSetOption() {
  if (const char* value = FindText(CommandArgs.c_str(), "Hash value ")) {
    HashMegabytes = ReadNumber(value + 11);
    if (HashMegabytes > MaxHashMegabytes) HashMegabytes = MaxHashMegabytes;
  }
  if (HashMegabytes <= 0) HashMegabytes = 1;
}

static void WriteIdentification() {
  WriteLine("id name Quendal 4.08");
  WriteLine("id author Orvendel");
  WriteLine("option name Hash type spin default %d min 1 max 1024", HashMegabytes);
  WriteLine("option name Ponder type check default true");
  WriteLine("uciok");
}

// The bench searches on a cleared table of the size the signature was taken with; the session's
// position and table size are put back afterwards, the table empty. It runs as a search does:
// "isready" is answered, "stop" or any other command ends it.
static void RunSessionBench() {
  EnsurePosition();
  static SavedPosition saved;
  SavePosition(saved);
  const int32_t megabytes = int32_t(TableEntryCount >> 17);
  PrepareTables(BenchMegabytes);
  const int32_t depth = ReadNumber(CommandArgs.c_str());
  BeginSearching();
  RunBench(depth, true);
  EndSearching();
  if (megabytes)
    PrepareTables(megabytes);
  else
    FreeTable();
  ClearTable();
  RestorePosition(saved);
}

// A pondering or infinite search that has ended by itself still owes its "bestmove". Any
// command but the three the input thread also answers during a search ends that "go" first,
// exactly as it would have ended the running search.
static void AnswerOwedGo() {
  if (Is("stop") || Is("ponderhit") || Is("isready")) return;
  if (BestMoveOwed.exchange(0, std::memory_order_acq_rel)) SendBestMove(0);
}

int32_t DispatchCommand() {
  if (CommandPending.load(std::memory_order_acquire) == 0) return 1;
  AnswerOwedGo();
  if (Is("go")) {
    RunGo();
    return 1;
  }
  if (Is("isready")) {
    PrepareTables(HashMegabytes);
    WriteLine("readyok");
  } else if (Is("ponderhit")) {
    if (BestMoveOwed.exchange(0, std::memory_order_acq_rel)) SendBestMove(0);
  } else if (Is("position")) {
    EnsureTables();
    if (SetPosition(CommandArgs.c_str())) PositionSet = true;
  } else if (Is("quit")) {
    FreeTables();
    return 0;
  } else if (Is("setoption")) {
    RunSetOption();
  } else if (Is("stop")) {
    if (BestMoveOwed.exchange(0, std::memory_order_acq_rel)) SendBestMove(1);
  } else if (Is("uci")) {
    HashMegabytes = 1;
    WriteIdentification();
  } else if (Is("d")) {
    EnsurePosition();
    PrintDiagram();
  } else if (Is("eval")) {
    EnsurePosition();
    PrintEvaluation();
  } else if (Is("bench")) {
    RunSessionBench();
    return 1;  // the channel was opened when the bench began
  }
  ReleaseChannel();
  return 1;
}

int32_t RunEngine(int fd) {
  Searching.store(NoSearch);
  CommandPending.store(0);
  StartInputThread(fd);
  while (DispatchCommand() != 0) WaitForPosting();
  return 0;
}
