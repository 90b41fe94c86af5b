#include "support/move_oracle.h"

#include <unistd.h>

#include "position/position.h"
#include "support/engine_process.h"
#include "support/position_fixture.h"

std::vector<std::string> OwnLegalMoves(const PositionText& position) {
  if (!SetUpPosition(position.arguments)) return {};
  CapturedOutput quiet;  // a refused extra move says why; the caller sees it in the moves
  for (const std::string& move : position.extra) {
    if (ApplyMoveText(move.c_str()) != 1) return {};
  }
  return LegalMoves();
}

StockfishOracle::StockfishOracle() {
  if (access(kPath, X_OK) != 0) return;
  EngineProcess::Options options;
  options.binary = kPath;
  process_ = std::make_unique<EngineProcess>(options);
  process_->SendLine("uci");
  if (!process_->WaitForLine("uciok")) process_.reset();
}

StockfishOracle::~StockfishOracle() = default;

std::optional<std::vector<std::string>> StockfishOracle::LegalMoves(const PositionText& position) {
  if (!process_) return std::nullopt;
  std::string command = "position " + position.arguments;
  if (!position.extra.empty()) {
    command += position.arguments.find(" moves ") == std::string::npos ? " moves" : "";
    for (const std::string& move : position.extra) command += " " + move;
  }
  process_->SendLine(command);
  process_->SendLine("go perft 1");
  std::vector<std::string> moves;
  for (;;) {
    const std::optional<std::string> line = process_->ReadLine();
    if (!line) return std::nullopt;
    if (line->starts_with("Nodes searched")) return moves;
    // "e2e4: 1" for each move at depth 1.
    const size_t colon = line->find(": 1");
    if (colon == 4 || colon == 5) moves.push_back(line->substr(0, colon));
  }
}
