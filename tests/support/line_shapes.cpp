#include "support/line_shapes.h"

#include <cstddef>
#include <sstream>
#include <vector>

namespace {
bool IsNumber(const std::string& word, bool signedNumber = false) {
  size_t i = signedNumber && word.size() > 1 && word[0] == '-' ? 1 : 0;
  if (i == word.size()) return false;
  for (; i < word.size(); ++i)
    if (word[i] < '0' || word[i] > '9') return false;
  return true;
}

bool IsMove(const std::string& word) {
  if (word.size() != 4 && word.size() != 5) return false;
  for (size_t i = 0; i < 4; ++i) {
    const char lo = i % 2 == 0 ? 'a' : '1', hi = i % 2 == 0 ? 'h' : '8';
    if (word[i] < lo || word[i] > hi) return false;
  }
  return word.size() == 4 || std::string("qrbn").find(word[4]) != std::string::npos;
}

// Walks the words of a line against a pattern, one expectation at a time.
class Words {
 public:
  explicit Words(const std::string& line) {
    std::istringstream in(line);
    for (std::string word; in >> word;) words_.push_back(word);
  }
  bool Literal(const char* text) { return at_ < words_.size() && words_[at_] == text && ++at_; }
  bool Number(bool signedNumber = false) {
    return at_ < words_.size() && IsNumber(words_[at_], signedNumber) && ++at_;
  }
  bool Move() { return at_ < words_.size() && IsMove(words_[at_]) && ++at_; }
  bool Done() const { return at_ == words_.size(); }

 private:
  std::vector<std::string> words_;
  size_t at_ = 0;
};

bool IsSearchInfo(const std::string& line) {
  Words w(line);
  if (!(w.Literal("info") && w.Literal("depth") && w.Number() && w.Literal("seldepth") &&
        w.Number() && w.Literal("score") && (w.Literal("cp") || w.Literal("mate")) &&
        w.Number(true)))
    return false;
  if (!w.Literal("upperbound")) w.Literal("lowerbound");
  if (!(w.Literal("time") && w.Number() && w.Literal("nodes") && w.Number() && w.Literal("nps") &&
        w.Number()))
    return false;
  if (w.Done()) return true;
  if (!w.Literal("pv") || !w.Move()) return false;
  while (w.Move()) {
  }
  return w.Done();
}

bool IsBestMove(const std::string& line) {
  if (line == "bestmove 0000") return true;
  Words w(line);
  if (!w.Literal("bestmove") || !w.Move()) return false;
  return w.Done() || (w.Literal("ponder") && w.Move() && w.Done());
}
}  // namespace

bool IsEngineLine(const std::string& line) {
  // Words are separated by exactly one space, with none at either end.
  if (line.empty() || line.front() == ' ' || line.back() == ' ' ||
      line.find("  ") != std::string::npos || line.find_first_of("\r\n\t") != std::string::npos)
    return false;
  for (const char* exact : {"id name Quendal 4.08", "id author Orvendel", "uciok", "readyok",
                            "option name Ponder type check default true"})
    if (line == exact) return true;
  if (line.starts_with("info string ")) return true;
  if (line.starts_with("info currmove ")) {
    Words w(line);
    return w.Literal("info") && w.Literal("currmove") && w.Move() && w.Literal("currmovenumber") &&
           w.Number() && w.Done();
  }
  if (line.starts_with("info depth ")) return IsSearchInfo(line);
  if (line.starts_with("bestmove ")) return IsBestMove(line);
  if (line.starts_with("option name Hash ")) {
    Words w(line);
    return w.Literal("option") && w.Literal("name") && w.Literal("Hash") && w.Literal("type") &&
           w.Literal("spin") && w.Literal("default") && w.Number() && w.Literal("min") &&
           w.Literal("1") && w.Literal("max") && w.Literal("1024") && w.Done();
  }
  Words w(line);
  return w.Number() && w.Literal("Bytes") && w.Literal("Arbeitsspeicher") && w.Literal("nicht") &&
         w.Literal("mehr") && w.Literal("verf\x81gbar") && w.Done();
}
