// Process exchanges a script cannot hold on its own: an engine without memory for its table, the
// endgame data found from an installation, the root moves' numbers, and the bench at a depth
// worth the long run. (A wrong Endgame.bin in the working directory is a row of the endgame test.)
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/engine_process.h"
#include "support/support.h"

namespace fs = std::filesystem;

namespace {
TEST(Process, ATableThatCannotBeAllocatedLeavesAWorkingEngine) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizer runtimes reserve more address space than the limit allows";
#endif
  if (access("/usr/bin/prlimit", X_OK) != 0) GTEST_SKIP() << "prlimit is not installed";
  RunScript("memory.txt", {"/usr/bin/prlimit", {"--as=536870912", "--", QUENDAL_BINARY}, ""});
}

// Installed with "cmake --install", the engine in DIR/bin finds its data in DIR/share/quendal
// when started from a folder that holds neither (the other places are rows of the endgame test).
TEST(Process, AnInstalledEngineFindsItsData) {
  TemporaryFolder prefix, work;
  const std::string install = "cmake --install '" +
                              fs::path(QUENDAL_BINARY).parent_path().string() + "' --prefix '" +
                              prefix.path.string() + "' > /dev/null";
  ASSERT_EQ(std::system(install.c_str()), 0);
  RunScript("endgame-data.txt", {(prefix.path / "bin" / "quendal").string(), {}, work.path});
}

// The node total of "quendal bench 5", next to the default suite's depth-4 total: both change
// only when what the search does changes.
TEST(SlowBench, DepthFiveNodeTotalIsPinned) {
  SKIP_UNLESS_SLOW_RUN();
  RunScript("bench-5.txt");
}

// Each pass of an iteration numbers the root moves it searches from 1, each once, also the one
// searched again with the full window after raising alpha: two moves, never a number above 2.
TEST(Process, RootMovesAreNumberedOncePerPass) {
  EngineProcess engine;
  engine.SendLine("position startpos");
  engine.SendLine("go depth 6 searchmoves e2e4 d2d4");
  const std::vector<std::string> lines = engine.ReadUntil("bestmove");
  ASSERT_FALSE(lines.empty());
  int32_t previous = 0, numbered = 0;
  for (const std::string& line : lines) {
    if (!line.starts_with("info currmove")) continue;
    const int32_t number = std::stoi(Words(line).back());
    EXPECT_TRUE(number == 1 || number == previous + 1) << line << " after " << previous;
    EXPECT_LE(number, 2) << line;
    previous = number;
    ++numbered;
  }
  EXPECT_GE(numbered, 12);
}
}  // namespace
