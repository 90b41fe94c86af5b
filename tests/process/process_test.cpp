// Process exchanges a script cannot hold on its own: the answer compared with the line before
// it, an engine without memory for its table, the endgame data found from other folders, and the
// bench at a depth worth the long run, and an installation.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

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

// An "Endgame.bin" in the working directory that is not the data of this build is reported and
// passed over: the file beside the engine decides the ending.
TEST(Process, AWrongEndgameFileInTheWorkingDirectoryIsPassedOver) {
  const TemporaryFolder work;
  fs::copy_file(fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin", work.path / "Endgame.bin");
  std::fstream file(work.path / "Endgame.bin", std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(8081);
  file.put(char(7));
  file.close();
  RunScript("endgame-passed-over.txt", {QUENDAL_BINARY, {}, work.path});
}
}  // namespace
