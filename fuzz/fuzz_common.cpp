#include "fuzz_common.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"
#include "search/search.h"
#include "support/position_fixture.h"

void StartFuzzedEngine() {
  OutputDescriptor = open("/dev/null", O_WRONLY);
  PrepareTables(1);
  HashMegabytes = 1;
}

void ResetEngine() {
  if (!KeyPool || !AttackVectors || !TranspositionTable) PrepareTables(1);
  HashMegabytes = 1;
  std::memset(TranspositionTable, 0, size_t(TableEntryCount) * sizeof(HashEntry));
  ClearKillers();
  BestMoveOwed.store(0);
  StoppedByCommand.store(0);
  PonderOrInfinite.store(0);
  StopRequested.store(0);
  Searching.store(0);
  CommandPending.store(0);
  PublishedBest.store(0);
  Limits = SearchLimits{63, 0, 1, 0};
  SetPosition("");
}

void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz check failed: %s: %s\n", what, detail.c_str());
  std::abort();
}

void CheckPosition(const char* context) {
  uint32_t check = 0, index = 0;
  ComputeKeys(check, index);
  if (check != KeyCheck || index != KeyIndex) Fail("keys differ from keys computed anew", context);
  if (!PositionIsConsistent()) Fail("position inconsistent", context);
  if (OtherSide != 1 - SideToMove) Fail("side variables disagree", context);
}

std::string ChangeSince(const PositionSnapshot& before) {
  PositionSnapshot now = TakeSnapshot();
  for (int32_t c = 0; c < 2; ++c) {
    if (now.lastOfficer[c] <= before.lastOfficer[c]) continue;
    bool onlyPawns = true;
    for (int32_t i = before.lastOfficer[c] + 1; i <= now.lastOfficer[c]; ++i)
      onlyPawns =
          onlyPawns && (now.pieceList[c][i].type == Pawn || now.pieceList[c][i].type == Empty);
    if (onlyPawns) now.lastOfficer[c] = before.lastOfficer[c];
  }
  return Difference(before, now);
}

namespace {
// The text of one packed move as the best-move reply writes it; empty when none.
std::string PackedText(uint64_t packed) {
  if (!(packed & (uint64_t(1) << 21))) return "";
  const int from = int(packed & 0xFF), to = int(packed >> 8 & 0xFF), piece = int(packed >> 16 & 15);
  std::string text{char('a' + (from & 15)), char('1' + (from >> 4)), char('a' + (to & 15)),
                   char('1' + (to >> 4))};
  if (piece) text.push_back(PieceLetters[piece & 7]);
  return text;
}
}  // namespace

void SearchAndCheck(const std::string& arguments, uint64_t nodes) {
  const std::vector<std::string> legal = LegalMoves();
  const PositionSnapshot before = TakeSnapshot();
  Limits.nodes = nodes;
  Limits.clock = 0;
  RunSearch(false);
  if (const std::string change = ChangeSince(before); !change.empty())
    Fail("search left the position changed", change);
  CheckPosition("after search");
  SendBestMove(0);
  const uint64_t published = PublishedBest.load();
  const std::string best = PackedText(published & 0xFFFFFFFF);
  const std::string ponder = PackedText(published >> 32);
  if (best.empty() != legal.empty()) Fail("best move present iff a legal move exists", best);
  if (best.empty()) return;
  if (!HasMove(legal, best)) Fail("illegal best move", arguments + " / " + best);
  if (!ponder.empty()) {
    if (ApplyMoveText(best.c_str()) != 1) Fail("best move not playable", best);
    if (!HasMove(LegalMoves(), ponder))
      Fail("illegal ponder move", arguments + " / " + best + " " + ponder);
  }
  SetPosition(arguments.c_str());
}
