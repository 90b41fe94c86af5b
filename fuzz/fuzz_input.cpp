// The input path: arbitrary bytes cut into lines as the input thread cuts them, cleaned, and run
// as commands the way the dispatcher runs them. "position" and "go" take the dispatcher's own
// steps, except that a search is held to a few hundred nodes and no clock (so an input behaves
// the same on every run) and that "go perft" and "bench" are kept small. The text routines get
// pieces of the same bytes and are held against plain reference versions.
#include <strings.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "fuzz_common.h"
#include "position/position.h"
#include "search/search.h"

namespace {
constexpr size_t MaxCommands = 48;
constexpr uint64_t SearchNodes = 300;

std::string Position;  // the argument of the position in force

bool Is(const std::string& word, const char* name) { return strcasecmp(word.c_str(), name) == 0; }

void CheckClean(const std::string& line) {
  if (line.find('\t') != std::string::npos || line.find("  ") != std::string::npos ||
      line.find('\r') != std::string::npos || line.find('\n') != std::string::npos ||
      (!line.empty() && (line.front() == ' ' || line.back() == ' ')))
    Fail("line not clean after NormaliseLine", line);
}

// FindText must find the first occurrence, as strstr does; ReplaceAll of a pattern by itself
// leaves the text and counts the non-overlapping occurrences.
void CheckTextRoutines(const std::string& text, const std::string& pattern) {
  const char* found = FindText(text.c_str(), pattern.c_str());
  const char* expected = std::strstr(text.c_str(), pattern.c_str());
  if (found != expected) Fail("FindText differs from strstr", pattern);

  std::string copy = text;
  const int32_t count = ReplaceAll(copy, pattern.c_str(), pattern.c_str());
  if (copy != text) Fail("ReplaceAll by the pattern itself changed the text", pattern);
  int32_t occurrences = 0;
  if (!pattern.empty()) {
    for (size_t at = text.find(pattern); at != std::string::npos;
         at = text.find(pattern, at + pattern.size()))
      ++occurrences;
  }
  if (count != occurrences) Fail("ReplaceAll count", pattern);

  std::string removed = text;
  ReplaceAll(removed, pattern.c_str(), "");
  if (removed.size() != text.size() - size_t(occurrences) * pattern.size())
    Fail("ReplaceAll removal length", pattern);

  std::string field;
  for (int32_t n = 0; n < 4; ++n) {
    const int32_t result = GetField(field, n, text.c_str(), pattern.empty() ? ' ' : pattern[0]);
    if (result != 0 && result != -1) Fail("GetField result", std::to_string(result));
    if (!field.empty() && (field.front() == ' ' || field.back() == ' '))
      Fail("GetField field not trimmed", field);
  }
  (void)FindChar(text.c_str(), pattern.empty() ? 0 : pattern[0]);
  (void)ReadNumber(text.c_str());
  (void)ReadUnsigned(text.c_str());
}

void RunPosition(const std::string& arguments) {
  if (SetPosition(arguments.c_str())) Position = arguments;
  CheckPosition(arguments.c_str());
}

void RunGo(const std::string& arguments) {
  if (const char* perft = FindText(arguments.c_str(), "perft")) {
    if (ReadNumber(perft + 5) >= 1) PerftDivide(1);
    CheckPosition("after perft");
    return;
  }
  TimeBudget = ParseGo(arguments.c_str());
  if (TimeBudget < 1) Fail("time budget below 1", arguments);
  if (Limits.depth < 1 || Limits.depth > 63) Fail("depth limit out of range", arguments);
  const uint64_t nodes =
      Limits.nodes != 0 && Limits.nodes < SearchNodes ? Limits.nodes : SearchNodes;
  SearchAndCheck(Position, nodes);
}

// Everything else runs through the dispatcher itself; only the Hash size is held small after
// its range has been checked, so that "isready" stays cheap.
void Dispatch(const std::string& word, const std::string& arguments) {
  if (Is(word, "bench")) return;
  CommandWord = word;
  CommandArgs = arguments;
  CommandPending.store(1);
  if (DispatchCommand() == 0) {
    // "quit" freed the tables and leaves the channel as it was: the process would end here.
    CommandPending.store(0);
    PrepareTables(1);
  }
  if (CommandPending.load() != 0) Fail("command left pending", word);
  if (HashMegabytes < 1 || HashMegabytes > MaxHashMegabytes)
    Fail("Hash out of range", std::to_string(HashMegabytes));
  if (HashMegabytes > 2) HashMegabytes = 2;
}

void RunLine(std::string line) {
  NormaliseLine(line);
  CheckClean(line);
  std::string word = line, arguments;
  const size_t space = line.find(' ');
  if (space != std::string::npos) {
    word = line.substr(0, space);
    arguments = line.substr(space + 1);
  }
  if (Is(word, "position")) {
    RunPosition(arguments);
  } else if (Is(word, "go")) {
    RunGo(arguments);
  } else {
    Dispatch(word, arguments);
  }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartFuzzedEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetEngine();
  Position.clear();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string text(bytes.c_str());  // the text routines work on C strings
  const size_t cut = text.find('|');
  CheckTextRoutines(text, cut == std::string::npos ? std::string() : text.substr(cut + 1, 3));

  const std::vector<std::string> lines = SplitInput(bytes.data(), bytes.size());
  for (size_t i = 0; i < lines.size() && i < MaxCommands; ++i) {
    if (lines[i].find_first_of("\r\n") != std::string::npos)
      Fail("line end inside a line", lines[i]);
    RunLine(lines[i]);
  }
  return 0;
}
