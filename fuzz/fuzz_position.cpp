// Set-up from arbitrary text: a FEN (or the start position) and a move list, as "position"
// receives them. A refused set-up must leave the previous position exactly as it was; an accepted
// one must be a position make/unmake handle: every move of it made and taken back, and for a few
// inputs a short search.
#include <cstdint>
#include <string>

#include "fuzz_common.h"
#include "position/position.h"
#include "support/support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetEngine();
  // A leading 'F' makes the rest a FEN, so that most inputs get past the start position.
  std::string text(reinterpret_cast<const char*>(data), size);
  text = std::string(text.c_str());
  if (!text.empty() && text[0] == 'F') text = "fen " + text.substr(1);

  const PositionSnapshot before = TakeSnapshot();
  if (!SetPosition(text.c_str())) {
    if (const std::string change = Difference(before, TakeSnapshot()); !change.empty())
      Fail("a refused set-up changed the position", change);
    return 0;
  }
  CheckPosition(text);
  CheckOnePly(text);
  if (SearchesInput(data, size)) SearchAndCheck(text, SearchNodes);
  return 0;
}
