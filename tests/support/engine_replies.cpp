#include "support/engine_replies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool IsBestMove(const std::string& line) { return line.starts_with("bestmove"); }

int CountBestMoves(const std::vector<std::string>& lines) {
  return int(std::count_if(lines.begin(), lines.end(), IsBestMove));
}

std::set<std::string> LegalMoves(EngineProcess& engine, const std::string& position) {
  engine.SendLine("position " + position);
  engine.SendLine("go perft 1");
  LinesUntil lines = engine.WaitForLine("Nodes searched:");
  EXPECT_TRUE(lines) << lines;
  std::set<std::string> moves;
  for (const std::string& line : lines.lines) {
    const size_t colon = line.find(": ");
    if (colon != std::string::npos && !line.starts_with("Nodes"))
      moves.insert(line.substr(0, colon));
  }
  const std::vector<std::string> total = Words(lines.Match());
  EXPECT_EQ(int64_t(moves.size()), total.empty() ? -1 : std::atoll(total.back().c_str()));
  return moves;
}
