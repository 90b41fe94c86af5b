// Reading what the engine answers: the words of a line, best-move lines, and the legal moves of
// a position as the engine's own "go perft 1" lists them.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "support/engine_process.h"

std::vector<std::string> Words(const std::string& line);
bool IsBestMove(const std::string& line);
int CountBestMoves(const std::vector<std::string>& lines);
// Sets up the position and asks for "go perft 1"; the count it reports must match the list.
std::set<std::string> LegalMoves(EngineProcess& engine, const std::string& position);
