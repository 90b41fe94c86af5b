// Move generation against published perft counts and Stockfish's divides, and the killer test
// against the generators.
#include "search/search.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "support/support.h"

namespace {
// Each position at its deepest published depth within the budget; returns how many were counted.
int32_t CheckPerftRows(const std::string& file, uint64_t budget) {
  int32_t checked = 0;
  for (const auto& row : ReadRows(file, ';')) {
    const std::string position =
        row[0].starts_with("fen") || row[0].starts_with("startpos") ? row[0] : "fen " + row[0];
    uint64_t count = 0;
    int32_t depth = 0;
    for (const std::string& field : row)
      if (field[0] == 'D' && std::stoull(Words(field)[1]) <= budget)
        depth = std::stoi(field.substr(1)), count = std::stoull(Words(field)[1]);
    EXPECT_EQ(SetUpPosition(position), 1) << position;
    EXPECT_EQ(Perft(depth), count) << position << ", depth " << depth;
    ++checked;
  }
  return checked;
}

// About a second in all in release.
TEST(Perft, RowsAtTheirDeepestDepthWithinABudget) {
  EXPECT_GT(CheckPerftRows("perft.txt", SlowBuild ? 200'000 : 5'000'000), 25);
}

// The long suite of ../shared/data, each position within 50 M nodes.
TEST(SlowPerft, SharedSuite) {
  SKIP_UNLESS_SLOW_RUN();
  const std::optional<std::string> path = SharedData("perft-suite.epd");
  if (!path) GTEST_SKIP() << "../shared/data/perft-suite.epd is not there";
  EXPECT_GT(CheckPerftRows(*path, 50'000'000), 150);
}

// Positions no list holds: random games from the start and from the perft rows, every root
// move's count compared with Stockfish's, asked in one run.
TEST(Perft, DividesOfRandomPositionsAgreeWithStockfish) {
  std::mt19937 random(11);
  std::vector<std::string> positions;
  for (const std::string& base : PerftPositions())
    positions.push_back(RandomGame(random, base, 1 + int32_t(random() % 30)));
  for (int32_t game = 0; game < 30; ++game)
    positions.push_back(RandomGame(random, "startpos", 10 + 3 * game));
  const int32_t depth = SlowBuild ? 2 : 3;
  const auto expected = StockfishDivides(positions, depth);
  if (!expected) GTEST_SKIP() << "stockfish is not installed (apt-get install stockfish)";
  for (size_t i = 0; i < positions.size(); ++i) {
    ASSERT_EQ(SetUpPosition(positions[i]), 1) << positions[i];
    EXPECT_EQ(OwnDivide(depth), (*expected)[i]) << positions[i];
  }
}

// A killer comes from another position of the search with the same side to move: it may be
// played exactly when the generators would build the same record here (en passant and null
// moves never are killers).
TEST(Killers, PlayableExactlyWhenTheGeneratorsBuildThem) {
  std::mt19937 random(5);
  std::vector<std::string> positions;
  std::vector<Move> candidates[2];
  std::vector<std::string> bases = PerftPositions();
  bases.push_back("fen rn2k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1");  // long castling blocked on b1
  for (size_t game = 0; game < 2 * bases.size(); ++game) {
    positions.push_back(game < bases.size()
                            ? bases[game]
                            : RandomGame(random, game % 2 ? "startpos" : bases[game % bases.size()],
                                         int32_t(random() % 40)));
    ASSERT_EQ(SetUpPosition(positions.back()), 1);
    for (const Move& move : MoveRecords(false))
      if (move.kind != EnPassant) candidates[SideToMove].push_back(move);
  }
  int32_t playable = 0;
  for (const std::string& position : positions) {
    ASSERT_EQ(SetUpPosition(position), 1);
    const std::vector<Move> here = MoveRecords(false);
    for (const Move& killer : candidates[SideToMove]) {
      *CurrentMove = killer;
      const bool built =
          std::any_of(here.begin(), here.end(), [&](const Move& m) { return SameMove(m, killer); });
      ASSERT_EQ(IsKillerPlayable() != 0, built) << position << ": " << MoveToText(killer);
      playable += built;
    }
  }
  EXPECT_GT(playable, 1000);
}

// What a search leaves in the table: no entry for a root searched over some of its moves only,
// and nothing at all after a bench in a session, whatever the Hash size (the bench clears the
// table before each position, and the size the session had may be the bench's own).
TEST(Table, ARestrictedRootAndASessionBenchLeaveNothingBehind) {
  PrepareTables(1);
  for (const bool restricted : {true, false}) {
    ASSERT_EQ(SetUpPosition("startpos"), 1);
    ClearTable();
    CapturedOutput quiet;
    SetAllowedRootMoves(restricted ? "searchmoves a2a3 b2b3" : "depth 4");
    Limits = SearchLimits{};
    Limits.depth = 4;
    Limits.clock = 0;
    StopRequested.store(0);
    RunSearch();
    EXPECT_EQ(TableSlot()->check == KeyCheck, !restricted) << "searchmoves: " << restricted;
  }
  AllowedRootMoveCount = 0;
  for (const int32_t megabytes : {2, BenchMegabytes}) {
    HashMegabytes = megabytes;
    PrepareTables(megabytes);
    CapturedOutput quiet;
    CommandWord = "bench";
    CommandArgs = "2";
    CommandPending.store(1);
    DispatchCommand();
    const HashEntry* entries = TranspositionTable;
    ASSERT_EQ(TableEntryCount, uint32_t(megabytes) << 17);
    EXPECT_TRUE(std::all_of(entries, entries + TableEntryCount,
                            [](const HashEntry& entry) {
                              return entry.check == 0 && entry.depth == 0 && entry.score == 0 &&
                                     entry.bound == 0;
                            }))
        << "Hash " << megabytes;
  }
  HashMegabytes = 1;
  PrepareTables(1);
}
}  // namespace
