// The endgame data seen from outside: with "Endgame.bin" the engine announces the exact distance
// to mate from the root at once and keeps to the fastest mate; without it the same positions are
// simply searched. The file is found in the working directory or beside the executable (where
// the build puts it); these tests place the binary and the file in temporary directories to
// tell the cases apart.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "support/engine_replies.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLongClock = "go wtime 600000 btime 600000";

// Positions read from the generated data (and the data checked against the Gaviota tables).
struct Ending {
  const char* position;
  int mate;  // moves to mate for the side to move
};
// King and rook: the defending king in the centre, the attacking king in the corner; the longest
// mate this ending has.
constexpr Ending kRookMate{"fen 8/8/6R1/4k3/8/8/8/K7 w - - 0 1", 16};
// King and pawn: the pawn runs, promotes and mates.
constexpr Ending kPawnWin{"fen 8/8/8/8/8/2P4k/8/K7 w - - 0 1", 20};

// "mate 16" or "cp 512" from the last info line before the best move.
std::string LastScore(const LinesUntil& reply) {
  for (auto line = reply.lines.rbegin(); line != reply.lines.rend(); ++line) {
    if (!line->starts_with("info depth ")) continue;
    const std::vector<std::string> words = Words(*line);
    for (size_t i = 0; i + 2 < words.size(); ++i)
      if (words[i] == "score") return words[i + 1] + " " + words[i + 2];
  }
  return "";
}

std::string BestMove(const LinesUntil& reply) {
  const std::vector<std::string> words = Words(reply.Match());
  return words.size() >= 2 ? words[1] : "";
}

LinesUntil Search(EngineProcess& engine, const std::string& position, const std::string& go) {
  engine.SendLine("position " + position);
  engine.SendLine(go);
  LinesUntil reply = engine.WaitForLine("bestmove");
  EXPECT_TRUE(reply) << reply;
  return reply;
}

// With the data every root move is scored from the file, so the first iteration already knows
// the distance to mate and ends the search; the move played keeps that distance, which the
// defender then sees one move shorter.
void ExpectFastestMate(EngineProcess& engine, const Ending& ending) {
  LinesUntil reply = Search(engine, ending.position, kLongClock);
  EXPECT_EQ(LastScore(reply), "mate " + std::to_string(ending.mate)) << reply;
  for (const std::string& line : reply.lines) {
    if (line.starts_with("info depth ")) {
      EXPECT_TRUE(line.starts_with("info depth 1 ")) << line;
    }
  }
  const std::string best = BestMove(reply);
  ASSERT_TRUE(LegalMoves(engine, ending.position).contains(best)) << best;

  LinesUntil defence = Search(engine, std::string(ending.position) + " moves " + best, kLongClock);
  EXPECT_EQ(LastScore(defence), "mate -" + std::to_string(ending.mate - 1)) << defence;
}

// Without the data the endings are searched like any other position: a legal move comes back,
// and a shallow search cannot see the long mate.
void ExpectSearchedWithoutData(EngineProcess& engine, const Ending& ending) {
  LinesUntil reply = Search(engine, ending.position, "go depth 4");
  EXPECT_TRUE(LegalMoves(engine, ending.position).contains(BestMove(reply))) << reply;
  EXPECT_NE(LastScore(reply), "mate " + std::to_string(ending.mate)) << reply;
}

// A fresh directory, removed with everything in it at the end of the test.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "quendal-endgame-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// The engine binary copied into a directory of its own, so that nothing lies beside it.
fs::path CopyOfEngine(const TemporaryDirectory& directory) {
  const fs::path copy = directory.Path() / "quendal";
  fs::copy_file(QUENDAL_BINARY, copy, fs::copy_options::overwrite_existing);
  return copy;
}

fs::path BuiltEndgameFile() { return fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin"; }

class EndgameProcess : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(binaryDirectory.Path().empty());
    ASSERT_FALSE(workingDirectory.Path().empty());
    if (!fs::exists(BuiltEndgameFile())) GTEST_SKIP() << "no Endgame.bin beside the engine";
  }
  TemporaryDirectory binaryDirectory;
  TemporaryDirectory workingDirectory;
};

}  // namespace

// The build puts the file beside the engine; it is found from any working directory.
TEST_F(EndgameProcess, DataBesideTheExecutableGivesFastestMates) {
  EngineProcess::Options options;
  options.workingDirectory = workingDirectory.Path().string();
  EngineProcess engine(options);
  ASSERT_TRUE(engine.Handshake());
  ExpectFastestMate(engine, kRookMate);
  ExpectFastestMate(engine, kPawnWin);
}

TEST_F(EndgameProcess, DataInTheWorkingDirectoryGivesFastestMates) {
  EngineProcess::Options options;
  options.binary = CopyOfEngine(binaryDirectory).string();
  fs::copy_file(BuiltEndgameFile(), workingDirectory.Path() / "Endgame.bin");
  options.workingDirectory = workingDirectory.Path().string();
  EngineProcess engine(options);
  ASSERT_TRUE(engine.Handshake());
  ExpectFastestMate(engine, kRookMate);
}

TEST_F(EndgameProcess, WithoutDataTheEndingsAreSearched) {
  EngineProcess::Options options;
  options.binary = CopyOfEngine(binaryDirectory).string();
  options.workingDirectory = workingDirectory.Path().string();
  EngineProcess engine(options);
  ASSERT_TRUE(engine.Handshake());
  ExpectSearchedWithoutData(engine, kRookMate);
  ExpectSearchedWithoutData(engine, kPawnWin);
}
