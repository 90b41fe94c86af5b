// Whole games through the real process with a real clock kept by the test: the engine against
// itself or against Debian's stockfish at its weakest. Every move is checked against the rules
// (the engine's own, and stockfish's "go perft 1" where installed), every line the engine writes
// must have one of its shapes, no move may arrive after its side's clock ran out, and each
// engine must end with exit code 0. Games end by mate, stalemate, the fifty-move rule,
// threefold repetition, insufficient material or a ply cap. This checks behaviour, not strength.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct GameSettings {
  std::chrono::milliseconds base{1000};
  std::chrono::milliseconds increment{10};
  int plyCap = 200;
  int randomOpeningPlies = 2;  // random legal plies first, so that games differ
  bool againstStockfish = false;
  bool engineIsWhite = true;
  uint32_t seed = 1;
};

struct GameResult {
  std::string ending;  // "mate", "stalemate", "fifty", "threefold", "material", "cap"
  int plies = 0;
  int engineMoves = 0;             // moves of our engine (both sides in self-play)
  int64_t engineMilliseconds = 0;  // their total time from "go" to "bestmove"
  int64_t slowestMove = 0;
};

// Plays one game; faults are reported through gtest (the game stops at the first).
GameResult PlayGame(const GameSettings& settings);
