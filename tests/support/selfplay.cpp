#include "support/selfplay.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "position/position.h"
#include "support/engine_process.h"
#include "support/line_shapes.h"
#include "support/move_oracle.h"
#include "support/position_fixture.h"

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

// One side of the board: a process, and whether it is ours (and so held to our line shapes).
struct Player {
  std::unique_ptr<EngineProcess> process;
  bool ours = true;
  milliseconds left{0};
};

std::unique_ptr<EngineProcess> StartPlayer(bool stockfish) {
  auto process = stockfish ? [] {
    EngineProcess::Options options;
    options.binary = StockfishOracle::kPath;
    return std::make_unique<EngineProcess>(options);
  }()
                           : std::make_unique<EngineProcess>();
  process->SendLine("uci");
  EXPECT_TRUE(process->WaitForLine("uciok"));
  if (stockfish) process->SendLine("setoption name Skill Level value 0");
  process->SendLine("ucinewgame");
  process->SendLine("isready");
  EXPECT_TRUE(process->WaitForLine("readyok"));
  return process;
}

std::string Arguments(const std::vector<std::string>& moves) {
  std::string text = "startpos";
  for (size_t i = 0; i < moves.size(); ++i) {
    text += i == 0 ? " moves " : " ";
    text += moves[i];
  }
  return text;
}

bool InsufficientMaterial() {
  int minors = 0;
  for (int32_t square = 0; square < 120; ++square) {
    if (!IsOnBoard(square)) continue;
    const int8_t type = Board[square].type;
    if (type == Queen || type == Rook || type == Pawn) return false;
    if (type == Bishop || type == Knight) ++minors;
  }
  return minors <= 1;
}

// Whether the move resets the fifty-move count, read off the board before it.
bool IsIrreversible(const std::string& move) {
  const int32_t from = SquareOf(move.c_str()), to = SquareOf(move.c_str() + 2);
  return Board[from].type == Pawn || Board[to].type != Empty;
}

// The move the player chose within its clock, or empty after a reported fault.
std::string AskForMove(Player& player, GameResult& result, const std::vector<std::string>& moves,
                       const GameSettings& settings, bool whiteToMove, milliseconds whiteLeft,
                       milliseconds blackLeft) {
  std::ostringstream go;
  go << "go wtime " << whiteLeft.count() << " btime " << blackLeft.count() << " winc "
     << settings.increment.count() << " binc " << settings.increment.count();
  const auto start = Clock::now();
  player.process->Send("position " + Arguments(moves) + "\n" + go.str() + "\n");
  const milliseconds bound = player.left + milliseconds(5000);
  const LinesUntil reply = player.process->WaitForLine("bestmove", bound);
  const auto used = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  if (!reply) {
    ADD_FAILURE() << "no bestmove at ply " << moves.size() << ": " << reply;
    return "";
  }
  if (player.ours) {
    ++result.engineMoves;
    result.engineMilliseconds += used.count();
    if (used.count() > result.slowestMove) result.slowestMove = used.count();
    for (const std::string& line : reply.lines)
      EXPECT_TRUE(IsEngineLine(line)) << "a line of no known shape: [" << line << "]";
    EXPECT_LE(used.count(), player.left.count())
        << (whiteToMove ? "White" : "Black") << " lost on time at ply " << moves.size() << ": used "
        << used.count() << " ms with " << player.left.count() << " ms left";
  }
  player.left += settings.increment - used;
  std::istringstream words(reply.Match());
  std::string word, move;
  words >> word >> move;
  return move;
}

}  // namespace

GameResult PlayGame(const GameSettings& settings) {
  const bool useStockfish = settings.againstStockfish && access(StockfishOracle::kPath, X_OK) == 0;
  StockfishOracle oracle;
  Player white, black;
  Player& ours = settings.engineIsWhite ? white : black;
  Player& other = settings.engineIsWhite ? black : white;
  ours.process = StartPlayer(false);
  other.process = StartPlayer(useStockfish);
  other.ours = !useStockfish;
  white.left = black.left = settings.base;

  std::mt19937 random(settings.seed);
  std::vector<std::string> moves;
  std::map<uint64_t, int> seen;
  int reversible = 0;
  GameResult result;
  for (;;) {
    SetUpPosition(Arguments(moves));
    const bool whiteToMove = SideToMove == White;
    const std::vector<std::string> legal = LegalMoves();
    const uint64_t key = uint64_t(KeyCheck) << 32 | KeyIndex;
    if (legal.empty()) {
      result.ending =
          IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square) ? "mate" : "stalemate";
    } else if (reversible >= 100) {
      result.ending = "fifty";
    } else if (++seen[key] >= 3) {
      result.ending = "threefold";
    } else if (InsufficientMaterial()) {
      result.ending = "material";
    } else if (int(moves.size()) >= settings.plyCap) {
      result.ending = "cap";
    }
    if (!result.ending.empty() || testing::Test::HasFailure()) break;

    std::string move;
    if (int(moves.size()) < settings.randomOpeningPlies) {
      move = legal[random() % legal.size()];
    } else {
      Player& mover = whiteToMove ? white : black;
      move = AskForMove(mover, result, moves, settings, whiteToMove, white.left, black.left);
      if (move.empty()) break;
      const std::string context =
          " at ply " + std::to_string(moves.size()) + " of [" + Arguments(moves) + "]";
      if (!HasMove(legal, move)) {
        ADD_FAILURE() << "illegal move " << move << context;
        break;
      }
      if (oracle.Available()) {
        const auto independent = oracle.LegalMoves({Arguments(moves), {}});
        if (!independent || !HasMove(*independent, move)) {
          ADD_FAILURE() << "stockfish: illegal move " << move << context;
          break;
        }
      }
    }
    reversible = IsIrreversible(move) ? 0 : reversible + 1;
    moves.push_back(move);
  }
  result.plies = int(moves.size());
  for (Player* player : {&white, &black}) {
    player->process->SendLine("quit");
    EXPECT_EQ(player->process->WaitForExit(), 0);
  }
  return result;
}
