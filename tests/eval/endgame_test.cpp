// Endgame verdicts through ProbeEndgame: rows of distances to mate taken from the Gaviota tables
// once, and where the tables are installed every position of the three endings, turned by every
// symmetry and given to either colour, against the tables themselves; where the file is looked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "eval/eval.h"
#include "search/search.h"
#include "support/support.h"

#ifdef QUENDAL_GAVIOTA_TABLES
#include "gaviota/gaviota.h"
#endif

namespace fs = std::filesystem;

namespace {
struct Square {
  int32_t file, rank;
};

// Kings and one piece of the strong side in the piece lists; `mover` has just moved. Returns the
// verdict and leaves the score in `score`.
int32_t Probe(int32_t strong, Square king, Square weakKing, int8_t type, Square piece,
              int32_t mover, int16_t& score) {
  auto square = [](Square s) { return s.rank * 16 + s.file; };
  PieceList[strong][0] = {square(king), King};
  PieceList[strong][1] = {square(piece), type};
  PieceList[1 - strong][0] = {square(weakKing), King};
  LastEntry[strong] = 1, LastEntry[1 - strong] = 0;
  PieceCount = type == Empty ? 2 : 3;
  SideToMove = mover, OtherSide = 1 - mover;
  return ProbeEndgame(Ply, score);
}

// The score ProbeEndgame must give the move that led to a position with `plies` to mate from
// there (a negative number for a draw): a mate `plies` after that move, good for its mover
// exactly when the mover is the strong side.
int32_t Expected(int32_t plies, bool moverIsStrong) {
  const int32_t mate = MateScore - (Ply + 1 + plies);
  return plies < 0 ? 0 : moverIsStrong ? mate : -mate;
}

void LoadBuiltData() {
  uint32_t size = 0;
  const std::string file = (fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin").string();
  EndgameData = ReadWholeFile(file.c_str(), size);
  ASSERT_EQ(size, EndgameFileSize) << file;
}

// Rows the Gaviota tables gave once: both colours, the strong king on every square, every
// distance to mate with either side to move, the longest mates and draws.
TEST(Endgame, RowsOfDistancesToMateFromTheGaviotaTables) {
  ASSERT_NO_FATAL_FAILURE(LoadBuiltData());
  for (const auto& row : ReadRows("endgame-mates.txt")) {
    ASSERT_EQ(SetUpPosition("fen " + row[0]), 1) << row[0];
    const int32_t strong = row[0].find_first_of("QRP") < row[0].find(' ') ? White : Black;
    std::swap(SideToMove, OtherSide);  // as just after the move that led here
    Ply = int32_t(row[0].size() % 9);
    int16_t score = 0;
    const int32_t verdict = ProbeEndgame(Ply, score);
    const int32_t expected =
        Expected(row[1] == "draw" ? -1 : std::stoi(row[1]), SideToMove == strong);
    EXPECT_EQ(verdict ? score : -1, expected) << row[0] << " | " << row[1];
  }
  std::free(EndgameData);
  EndgameData = nullptr;
}

TEST(Endgame, EveryPositionTurnedAndRecolouredMatchesGaviota) {
  const std::optional<std::string> folder = GaviotaTables();
  if (!folder) GTEST_SKIP() << "the Gaviota tables are not installed (gaviotatb libgaviotatb-dev)";
#ifdef QUENDAL_GAVIOTA_TABLES
  const gaviota::Tables tables(folder->c_str());
  ASSERT_TRUE(tables.Open()) << "the Gaviota tables in " << *folder << " do not open";
  ASSERT_NO_FATAL_FAILURE(LoadBuiltData());
  int64_t compared = 0, mismatches = 0;
  for (const int8_t type : {Queen, Rook, Pawn})
    for (int32_t n = 0; n < gaviota::Placements; ++n) {
      const gaviota::Position p = gaviota::Unpack(n);
      const char letter = char(PieceLetters[type] - 32);
      if (!gaviota::Possible(letter, p)) continue;
      const int32_t plies = gaviota::Probe(letter, p);
      ASSERT_NE(plies, gaviota::NoVerdict) << n;
      // Pawns keep only the left-right mirror; slow builds take one variant per position.
      const int32_t turns = type == Pawn ? 2 : 8;
      for (int32_t variant = 0; variant < 2 * turns; ++variant) {
        if (SlowBuild && variant != n % (2 * turns)) continue;
        const int32_t strong = variant / turns, turn = variant % turns;
        const auto turned = [&](gaviota::Square s) {
          if (turn & 1) s.file = 7 - s.file;
          if (turn & 2) s.rank = 7 - s.rank;
          if (turn & 4) std::swap(s.file, s.rank);
          if (strong == Black) s.rank = 7 - s.rank;
          return Square{s.file, s.rank};
        };
        const int32_t mover = p.weakToMove ? strong : 1 - strong;
        Ply = n % 9;
        int16_t score;
        const int32_t verdict =
            Probe(strong, turned(p.king), turned(p.weakKing), type, turned(p.piece), mover, score);
        ++compared;
        if ((verdict != 1 || score != Expected(plies, mover == strong)) && ++mismatches <= 10)
          ADD_FAILURE() << "type " << int32_t(type) << ", position " << n << ", variant " << variant
                        << ": " << verdict << "/" << score << ", expected "
                        << Expected(plies, mover == strong);
      }
    }
  std::free(EndgameData);
  EndgameData = nullptr;
  EXPECT_EQ(mismatches, 0) << "of " << compared;
#endif
}

// Bare kings and a lone minor piece are draws without a look at the file.
TEST(Endgame, BareKingsAndALoneMinorPieceAreDrawsWithoutTheFile) {
  EndgameData = nullptr;
  EndgameTryLoad = 1;
  for (const int8_t type : {Empty, Bishop, Knight})
    for (const int32_t strong : {White, Black}) {
      int16_t score = 1;
      EXPECT_EQ(Probe(strong, {4, 0}, {4, 7}, type, {2, 3}, strong, score), 1);
      EXPECT_EQ(score, 0);
    }
  EXPECT_EQ(EndgameTryLoad, 1);
}

// Rows of files placed around the engine: whether data are found, and which files are reported
// and passed over because they are not the data this build made.
TEST(Endgame, RowsOfPlacesWhereTheFileIsLookedFor) {
  const fs::path home = fs::current_path();
  const TemporaryFolder temporary;
  const fs::path& dir = temporary.path;
  std::ifstream built(fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin", std::ios::binary);
  const std::vector<char> data{std::istreambuf_iterator<char>(built), {}};
  ASSERT_EQ(data.size(), EndgameFileSize);
  for (const auto& row : ReadRows("endgame-files.txt")) {
    fs::remove_all(dir);
    for (const char* folder : {"work", "engine/bin", "engine/share/quendal"})
      fs::create_directories(dir / folder);
    if (row[1] != "no-link")
      fs::create_symlink(dir / "engine/bin/quendal", dir / "self");  // stands for the executable
    for (const std::string& placed : Words(row[0])) {
      const std::vector<std::string> fields = Words(placed, ':');
      std::vector<char> bytes = data;
      if (fields[1] == "short") bytes.pop_back();
      if (fields[1] == "wrong") bytes[8081] ^= 1;
      if (fields[1] == "longer") bytes.push_back(0);
      std::ofstream(dir / fields[0] / "Endgame.bin", std::ios::binary)
          .write(bytes.data(), std::streamsize(bytes.size()));
    }
    fs::current_path(dir / "work");
    const std::string link = (dir / "self").string();
    EndgameExecutableLink = link.c_str();
    EndgameData = nullptr;
    EndgameTryLoad = 1;
    Ply = 0;
    int16_t score;
    std::string output;
    {
      CapturedOutput captured;
      const int32_t verdict = Probe(White, {0, 0}, {7, 7}, Queen, {1, 0}, White, score);
      EXPECT_EQ(verdict ? "data" : "none", row[2]) << row[0];
      output = captured.Text();
    }
    std::string reported;
    for (const std::string& line : Words(output, '\n')) {
      const std::string folder = Words(line)[2];  // info string <path> is not ...
      reported += (reported.empty() ? "" : " ") +
                  fs::relative(fs::path(folder).parent_path(), dir).lexically_normal().string();
    }
    EXPECT_EQ(reported, row.size() > 3 ? row[3] : "") << row[0];
    EXPECT_EQ(EndgameTryLoad, 0);
    if (EndgameData) std::free(EndgameData);
    EndgameData = nullptr;
    fs::current_path(home);
  }
  EndgameExecutableLink = nullptr;
}
}  // namespace
