// Two short games with a real clock: the engine against itself, and against stockfish at its
// weakest where installed (itself again where not). The long series is selfplay_slowtest.
#include "support/selfplay.h"

#include <gtest/gtest.h>

#include <iostream>

#include "support/position_fixture.h"

using namespace std::chrono_literals;

namespace {
GameSettings ShortGame(bool againstStockfish, bool engineIsWhite) {
  GameSettings settings;
  settings.base = SlowBuild ? 2000ms : 1000ms;
  settings.increment = SlowBuild ? 20ms : 10ms;
  settings.plyCap = 30;
  settings.againstStockfish = againstStockfish;
  settings.engineIsWhite = engineIsWhite;
  return settings;
}
}  // namespace

TEST(SelfPlay, ShortGameAgainstItself) {
  const GameResult result = PlayGame(ShortGame(false, true));
  std::cout << "self-play: " << result.ending << " after " << result.plies << " plies\n";
}

TEST(SelfPlay, ShortGameAgainstStockfishAsBlack) {
  const GameResult result = PlayGame(ShortGame(true, false));
  std::cout << "against stockfish: " << result.ending << " after " << result.plies << " plies\n";
}
