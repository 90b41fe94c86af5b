// Set-up from arbitrary text: a FEN (or the start position) and a move list, as "position"
// receives them. A refused set-up must leave the previous position exactly as it was; an
// accepted one must be a position the generators and make/unmake handle: a perft of depth 2
// runs under the sanitizers and the debug consistency checks, and the keys kept incrementally
// equal the keys computed anew, before and after.
#include <cstdint>
#include <string>

#include "fuzz_common.h"
#include "position/position.h"
#include "search/search.h"
#include "support/position_fixture.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartFuzzedEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetEngine();
  // A leading byte 'F' makes the rest a FEN, so most inputs get past the start position.
  std::string text(reinterpret_cast<const char*>(data), size);
  text = std::string(text.c_str());
  if (!text.empty() && text[0] == 'F') text = "fen " + text.substr(1);

  const PositionSnapshot before = TakeSnapshot();
  if (!SetPosition(text.c_str())) {
    const std::string change = Difference(before, TakeSnapshot());
    if (!change.empty()) Fail("refused set-up changed the position", change);
    return 0;
  }
  CheckPosition(text.c_str());
  const PositionSnapshot accepted = TakeSnapshot();
  Perft(2);
  const std::string change = ChangeSince(accepted);
  if (!change.empty()) Fail("perft left the position changed", change);
  CheckPosition("after perft");
  return 0;
}
