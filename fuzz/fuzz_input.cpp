// The input path: arbitrary bytes cut into lines as the input thread cuts them, cleaned, and run
// as the dispatcher runs them, but "go perft" goes one ply deep and only the first "go" of a few
// inputs searches. The text routines get pieces of the same bytes and are held against plain
// reference versions.
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frontend/frontend.h"
#include "fuzz_common.h"
#include "position/position.h"
#include "search/search.h"

namespace {
constexpr size_t MaxCommands = 16;

std::string Position;  // the argument of the position in force
bool SearchOwed;       // whether the next "go" searches

bool Is(const std::string& word, const char* name) { return strcasecmp(word.c_str(), name) == 0; }

// FindText and FindChar must find the first occurrence, as strstr and strchr do; ReadNumber
// reads as a clamped strtoll.
void CheckTextRoutines(const std::string& text, const std::string& pattern) {
  const char* c = text.c_str();
  if (FindText(c, pattern.c_str()) != std::strstr(c, pattern.c_str()))
    Fail("FindText differs from strstr", pattern);
  if (FindChar(c, pattern[0]) != std::strchr(c, pattern[0])) Fail("FindChar differs", pattern);
  if (ReadNumber(c) != std::clamp<long long>(std::strtoll(c, nullptr, 10), INT32_MIN, INT32_MAX))
    Fail("ReadNumber differs from a clamped strtoll", text);
  std::string field;
  for (int32_t n = 0; n < 4; ++n) {
    const int32_t result = GetField(field, n, c, pattern.empty() ? ' ' : pattern[0]);
    if ((result != 0 && result != -1) || field.starts_with(' ') || field.ends_with(' '))
      Fail("GetField", std::to_string(result) + " '" + field + "'");
  }
}

void RunGo(const std::string& arguments) {
  if (const char* perft = FindText(arguments.c_str(), "perft")) {
    if (ReadNumber(perft + 5) >= 1) PerftDivide(1);
    return CheckPosition("after go perft: " + Position);
  }
  TimeBudget = ParseGo(arguments.c_str());
  SetAllowedRootMoves(arguments.c_str());
  if (TimeBudget < 1) Fail("time budget below 1", arguments);
  if (Limits.depth < 1 || Limits.depth > 63) Fail("depth limit out of range", arguments);
  if (std::exchange(SearchOwed, false))
    SearchAndCheck(Position, Limits.nodes ? std::min(Limits.nodes, SearchNodes) : SearchNodes);
}

// Everything else runs through the dispatcher itself; only "bench" is left out, and the Hash
// size is held small after its range has been checked, so that "isready" stays cheap.
void Dispatch(const std::string& word, const std::string& arguments) {
  if (Is(word, "bench")) return;
  CommandWord = word;
  CommandArgs = arguments;
  CommandPending.store(1);
  if (DispatchCommand() == 0) {
    // "quit" has freed the tables and leaves the channel as it was: the process would end here.
    CommandPending.store(0);
    PrepareTables(1);
  }
  if (CommandPending.load() != 0) Fail("command left pending", word);
  if (HashMegabytes < 1 || HashMegabytes > MaxHashMegabytes)
    Fail("Hash out of range", std::to_string(HashMegabytes));
  if (HashMegabytes > 2) HashMegabytes = 2;
}

void RunLine(std::string line) {
  NormaliseLine(line);  // which keeps a line end inside the line, if there was one
  if (line.find_first_of("\t\r\n") != std::string::npos || line.find("  ") != std::string::npos ||
      line.starts_with(' ') || line.ends_with(' '))
    Fail("line not clean after NormaliseLine", line);
  const size_t space = line.find(' ');
  const std::string word = line.substr(0, space);
  const std::string arguments = space == std::string::npos ? "" : line.substr(space + 1);
  if (Is(word, "position")) {
    if (SetPosition(arguments.c_str())) Position = arguments;
    CheckPosition(arguments);
  } else if (Is(word, "go")) {
    RunGo(arguments);
  } else {
    Dispatch(word, arguments);
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetEngine();
  Position = "startpos";
  SearchOwed = SearchesInput(data, size);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string text(bytes.c_str());  // the text routines work on C strings
  const size_t cut = text.find('|');
  CheckTextRoutines(text, cut == std::string::npos ? std::string() : text.substr(cut + 1, 3));

  const std::vector<std::string> lines = SplitInput(bytes.data(), bytes.size());
  for (size_t i = 0; i < lines.size() && i < MaxCommands; ++i) RunLine(lines[i]);
  return 0;
}
