// Process exchanges a script cannot hold on its own: the answer compared with the line before
// it, an engine without memory for its table, the endgame data found from other folders, and the
// bench at a depth worth the long run, and an installation.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/engine_process.h"
#include "support/support.h"

namespace fs = std::filesystem;

namespace {
// The answer is the line of the last information line: its first move, its second as the ponder
// move, whether the search ended by itself, by "stop" or by "ponderhit".
TEST(Process, BestMoveIsTheLineOfTheLastInformationLine) {
  EngineProcess engine;
  for (const char* go : {"depth 4", "wtime 600000 btime 600000", "ponder wtime 10000 btime 10000"})
    for (const char* position :
         {"startpos",
          "fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"}) {
      engine.SendLine(std::string("position ") + position);
      engine.SendLine(std::string("go ") + go);
      if (go[0] != 'd') {
        ASSERT_FALSE(engine.ReadUntil("info depth 3 ").empty());
        engine.SendLine(go[0] == 'p' ? "ponderhit" : "stop");
      }
      const std::vector<std::string> lines = engine.ReadUntil("bestmove");
      ASSERT_GE(lines.size(), 2u);
      const std::string& info = lines[lines.size() - 2];
      ASSERT_NE(info.find(" pv "), std::string::npos) << info;
      const std::vector<std::string> pv = Words(info.substr(info.find(" pv ") + 4));
      EXPECT_EQ(lines.back(), "bestmove " + pv[0] + (pv.size() > 1 ? " ponder " + pv[1] : ""));
    }
}

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
}  // namespace
