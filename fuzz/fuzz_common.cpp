#include "fuzz_common.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"
#include "search/search.h"
#include "support/support.h"

bool SearchesInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  return std::hash<std::string_view>{}(bytes) % SearchShare == 0;
}

void ResetEngine() {
  static const int nowhere = open("/dev/null", O_WRONLY);
  OutputDescriptor = nowhere;
  PrepareTables(1);
  HashMegabytes = 1;
  for (auto* flag : {&BestMoveOwed, &StoppedByCommand, &PonderOrInfinite, &StopRequested,
                     &Searching, &CommandPending})
    flag->store(0);
  PublishedBest.store(0);
  Limits = SearchLimits{};
  AllowedRootMoveCount = 0;
  // Through the dispatcher: until its first "position" it sets up the start position before any
  // command that needs one, which would make an input depend on the inputs before it.
  CommandWord = "position";
  CommandArgs = "startpos";
  CommandPending.store(1);
  DispatchCommand();
}

void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz check failed: %s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckPosition(const std::string& context) {
  uint32_t check = 0, index = 0;
  ComputeKeys(check, index);
  if (check != KeyCheck || index != KeyIndex) Fail("keys differ from keys computed anew", context);
  if (!PositionIsConsistent()) Fail("position inconsistent", context);
  if (OtherSide != 1 - SideToMove) Fail("side variables disagree", context);
}

void CheckOnePly(const std::string& context) {
  const PositionSnapshot before = TakeSnapshot();
  // Checked here too, not only by the debug build's assertions, so that release builds catch it.
  Ply = 0, CurrentMove = GameLine + RootSlot;
  for (const Move& move : MoveRecords(false)) {
    MakeMove(move);
    std::swap(SideToMove, OtherSide);
    if (!PositionIsConsistent()) Fail("a move made leaves an inconsistent position", context);
    std::swap(SideToMove, OtherSide);
    UnmakeMove(move);
  }
  if (const std::string change = Difference(before, TakeSnapshot()); !change.empty())
    Fail("a move made and taken back changed the position", context + " / " + change);
  CheckPosition(context);
}

void SearchAndCheck(const std::string& argument, uint64_t nodes) {
  std::memset(TranspositionTable, 0, size_t(TableEntryCount) * sizeof(HashEntry));
  const PositionSnapshot before = TakeSnapshot();
  Limits.nodes = nodes;
  Limits.clock = Limits.hardBudget = 0;
  CapturedOutput captured;
  RunSearch();
  SendBestMove(0);
  const std::string reply = captured.Text();
  if (const std::string change = Difference(before, TakeSnapshot()); !change.empty())
    Fail("the search changed the position", argument + " / " + change);
  CheckPosition("after a search: " + argument);
  if (const std::string fault = BestMoveFault(argument, Words(reply, '\n').back()); !fault.empty())
    Fail("search answer", fault);
}
