// Legal moves of a position written as a "position" argument, for checking the moves the engine
// answers with. Two oracles: the engine's own rules run in this process (set-up, move applier and
// generators: they read any argument exactly as the engine does, garbage included), and, where
// Debian's stockfish is installed, its "go perft 1" as an independent one for arguments it reads
// the same way (the start position or a real FEN, then legal moves).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class EngineProcess;

// The argument with further moves played after it.
struct PositionText {
  std::string arguments;           // as after "position "
  std::vector<std::string> extra;  // moves played after those of the argument
};

// The engine's own rules; PositionText arguments refused by set-up give no moves.
std::vector<std::string> OwnLegalMoves(const PositionText& position);

class StockfishOracle {
 public:
  static constexpr const char* kPath = "/usr/games/stockfish";
  StockfishOracle();  // starts stockfish when installed
  ~StockfishOracle();
  bool Available() const { return process_ != nullptr; }
  // Nothing when stockfish is missing or did not answer.
  std::optional<std::vector<std::string>> LegalMoves(const PositionText& position);

 private:
  std::unique_ptr<EngineProcess> process_;
};
