// A few dozen fast games with a real clock of 1 s + 10 ms per move (2 s + 20 ms under the
// sanitizers): the engine against itself and against stockfish at its weakest where installed.
// Every game must end by a rule or the ply cap, without an illegal move, a lost clock or a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>

#include "support/position_fixture.h"
#include "support/selfplay.h"

using namespace std::chrono_literals;

namespace {
void PlaySeries(int games, bool againstStockfish) {
  std::map<std::string, int> endings;
  for (int game = 0; game < games && !testing::Test::HasFailure(); ++game) {
    GameSettings settings;
    settings.base = SlowBuild ? 2000ms : 1000ms;
    settings.increment = SlowBuild ? 20ms : 10ms;
    settings.plyCap = 200;
    settings.randomOpeningPlies = 2 + game % 3;
    settings.againstStockfish = againstStockfish;
    settings.engineIsWhite = game % 2 == 0;
    settings.seed = uint32_t(1000 + game);
    const GameResult result = PlayGame(settings);
    ++endings[result.ending];
    std::cout << "game " << game + 1 << ": " << result.ending << " after " << result.plies
              << " plies; engine moves "
              << result.engineMilliseconds / std::max(1, result.engineMoves)
              << " ms on average, slowest " << result.slowestMove << " ms\n";
  }
  for (const auto& [ending, count] : endings) std::cout << ending << ": " << count << "\n";
}
}  // namespace

TEST(SelfPlay, TwentyFourGamesAgainstItself) { PlaySeries(24, false); }

TEST(SelfPlay, TwelveGamesAgainstStockfish) { PlaySeries(12, true); }
