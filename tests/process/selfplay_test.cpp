// Whole games through the real process with a real clock kept here: the engine against itself,
// or against Stockfish at its weakest where installed. Every move must be legal (the engine's
// own rules now, Stockfish's in one run after the game), every line one of the engine's shapes,
// no move may come after its side's clock ran out (the clock read here, a little behind the
// engine's own, is given some slack), and both players must end with exit code 0.
// Games end by mate, stalemate, the fifty-move rule, threefold repetition or a ply cap.
#include <iostream>

#include "support/engine_process.h"
#include "support/support.h"

namespace {
using Clock = std::chrono::steady_clock;

std::string PlayGame(uint32_t seed, int32_t plyCap, bool againstStockfish, bool engineIsWhite) {
  const Milliseconds base(SlowBuild ? 2000 : 1000), increment(SlowBuild ? 20 : 10), slack(1000);
  const std::optional<std::string> oracle = StockfishBinary();
  const bool stockfish = againstStockfish && oracle;
  EngineProcess white(stockfish && !engineIsWhite ? EngineOptions{*oracle, {}, ""}
                                                  : EngineOptions{});
  EngineProcess black(stockfish && engineIsWhite ? EngineOptions{*oracle, {}, ""}
                                                 : EngineOptions{});
  for (EngineProcess* player : {&white, &black})
    player->Send("uci\nsetoption name Skill Level value 0\nisready\n");
  Milliseconds left[2] = {base, base};
  std::mt19937 random(seed);
  std::string game = RandomGame(random, "startpos", 2 + int32_t(seed % 3));
  std::vector<std::string> positions, moves;
  std::map<std::string, int32_t> seen;
  const std::string ending = [&]() -> std::string {
    for (;;) {
      const std::vector<std::string> legal = LegalMoves(game);
      const std::vector<std::string> fields = Words(PrintedFen());
      if (legal.empty()) return "mate or stalemate";
      if (std::stoi(fields[4]) >= 100) return "fifty moves";
      if (++seen[fields[0] + fields[1] + fields[2] + fields[3]] >= 3) return "threefold";
      if (int32_t(Words(game).size()) >= plyCap) return "ply cap";
      const int32_t side = SideToMove;
      EngineProcess& mover = side == White ? white : black;
      const bool ours = !stockfish || (side == White) == engineIsWhite;
      const auto start = Clock::now();
      mover.SendLine("position " + game);
      mover.SendLine("go wtime " + std::to_string(left[0].count()) + " btime " +
                     std::to_string(left[1].count()) + " winc " +
                     std::to_string(increment.count()) + " binc " +
                     std::to_string(increment.count()));
      const std::vector<std::string> reply =
          mover.ReadUntil("bestmove", left[side] + Milliseconds(5000));
      const auto used = std::chrono::duration_cast<Milliseconds>(Clock::now() - start);
      if (reply.empty()) return ADD_FAILURE() << "no bestmove in " << game, "";
      const std::string move = Words(reply.back())[1];
      if (ours) {
        for (const std::string& line : reply) EXPECT_TRUE(IsEngineLine(line)) << line;
        EXPECT_LE(used, left[side] + slack) << "lost on time in " << game;
      }
      if (!HasMove(legal, move)) return ADD_FAILURE() << move << " is illegal in " << game, "";
      left[side] = std::max(left[side] + increment - used, Milliseconds(1));
      positions.push_back(game), moves.push_back(move);
      game = WithMove(game, move);
      if (testing::Test::HasFailure()) return "";
    }
  }();
  const auto divides = StockfishDivides(positions, 1);
  for (size_t i = 0; divides && i < positions.size(); ++i)
    EXPECT_TRUE((*divides)[i].contains(moves[i]))
        << "stockfish: " << moves[i] << " in " << positions[i];
  return ending;
}

void PlaySeries(int32_t games, bool againstStockfish) {
  for (int32_t game = 0; game < games && !testing::Test::HasFailure(); ++game)
    std::cout << "game " << game + 1 << ": "
              << PlayGame(uint32_t(1000 + game), 200, againstStockfish, game % 2 == 0) << "\n";
}

// Without Stockfish the game is played against itself and its moves checked by our rules only.
TEST(SelfPlay, AShortGameWithAClock) {
  PlayGame(1, 30, true, false);
  if (!StockfishBinary() && !HasFailure())
    GTEST_SKIP() << "moves not checked by Stockfish: stockfish is not installed";
}

TEST(SlowSelfPlay, TwentyFourGamesAgainstItselfAndTwelveAgainstStockfish) {
  SKIP_UNLESS_SLOW_RUN();
  PlaySeries(24, false);
  PlaySeries(12, true);
}
}  // namespace
