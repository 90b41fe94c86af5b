// Whole games of the engine against itself through two real processes, with a real clock kept
// here. Every move must be legal, every line one of the engine's shapes, no move may come after
// its side's clock ran out (the clock read here, a little behind the engine's own, is given some
// slack), and both players must end with exit code 0. Games end by mate, stalemate, the
// fifty-move rule, threefold repetition or a ply cap.
#include <iostream>

#include "support/engine_process.h"
#include "support/support.h"

namespace {
using Clock = std::chrono::steady_clock;

std::string PlayGame(uint32_t seed, int32_t plyCap) {
  const Milliseconds base(SlowBuild ? 2000 : 1000), increment(SlowBuild ? 20 : 10), slack(1000);
  EngineProcess players[2];
  for (EngineProcess& player : players) player.Send("uci\nisready\n");
  Milliseconds left[2] = {base, base};
  std::mt19937 random(seed);
  std::string game = RandomGame(random, "startpos", 2 + int32_t(seed % 3));
  std::map<std::string, int32_t> seen;
  for (;;) {
    const std::vector<std::string> legal = LegalMoves(game);
    const std::vector<std::string> fields = Words(PrintedFen());
    if (legal.empty()) return "mate or stalemate";
    if (std::stoi(fields[4]) >= 100) return "fifty moves";
    if (++seen[fields[0] + fields[1] + fields[2] + fields[3]] >= 3) return "threefold";
    if (int32_t(Words(game).size()) >= plyCap) return "ply cap";
    const int32_t side = SideToMove;
    const auto start = Clock::now();
    players[side].SendLine("position " + game);
    players[side].SendLine("go wtime " + std::to_string(left[0].count()) + " btime " +
                           std::to_string(left[1].count()) + " winc " +
                           std::to_string(increment.count()) + " binc " +
                           std::to_string(increment.count()));
    const std::vector<std::string> reply =
        players[side].ReadUntil("bestmove", left[side] + Milliseconds(5000));
    const auto used = std::chrono::duration_cast<Milliseconds>(Clock::now() - start);
    if (reply.empty()) return ADD_FAILURE() << "no bestmove in " << game, "";
    for (const std::string& line : reply) EXPECT_TRUE(IsEngineLine(line)) << line;
    EXPECT_LE(used, left[side] + slack) << "lost on time in " << game;
    const std::string move = Words(reply.back())[1];
    if (!HasMove(legal, move)) return ADD_FAILURE() << move << " is illegal in " << game, "";
    left[side] = std::max(left[side] + increment - used, Milliseconds(1));
    game = WithMove(game, move);
    if (testing::Test::HasFailure()) return "";
  }
}

TEST(SelfPlay, AShortGameWithAClock) { PlayGame(1, 30); }

TEST(SlowSelfPlay, ThirtySixGames) {
  SKIP_UNLESS_SLOW_RUN();
  for (int32_t game = 0; game < 36 && !HasFailure(); ++game)
    std::cout << "game " << game + 1 << ": " << PlayGame(uint32_t(1000 + game), 200) << "\n";
}
}  // namespace
