// Endgame verdicts: every position of the three endings, turned by every symmetry and given to
// either colour, through ProbeEndgame against the Gaviota tables; and where the data file is
// looked for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "eval/eval.h"
#include "search/search.h"
#include "support/support.h"

#ifdef QUENDAL_GAVIOTA_TABLES
#include <gtb-probe.h>
#endif

namespace fs = std::filesystem;

namespace {
struct Square {
  int32_t file, rank;
  bool operator==(const Square&) const = default;
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

#ifdef QUENDAL_GAVIOTA_TABLES
// Whether White (the strong side) may stand so with `weakToMove`: kings apart, three squares,
// no pawn on an end rank, and the weak king not in check with White to move.
bool Possible(int8_t type, Square king, Square weakKing, Square piece, bool weakToMove) {
  if (std::abs(king.file - weakKing.file) <= 1 && std::abs(king.rank - weakKing.rank) <= 1)
    return false;
  if (piece == king || piece == weakKing || (type == Pawn && (piece.rank % 7 == 0))) return false;
  if (weakToMove) return true;
  const int32_t df = weakKing.file - piece.file, dr = weakKing.rank - piece.rank;
  if (type == Pawn) return !(dr == 1 && std::abs(df) == 1);
  if (df != 0 && dr != 0 && !(type == Queen && std::abs(df) == std::abs(dr))) return true;
  const Square step{(df > 0) - (df < 0), (dr > 0) - (dr < 0)};
  for (Square s{piece.file + step.file, piece.rank + step.rank}; !(s == weakKing);
       s = {s.file + step.file, s.rank + step.rank})
    if (s == king) return true;  // the king shields its own side's check
  return false;
}

TEST(Endgame, EveryPositionTurnedAndRecolouredMatchesGaviota) {
  const char** paths = tbpaths_add(tbpaths_init(), QUENDAL_GAVIOTA_TABLES);
  tb_init(0, tb_CP4, paths);
  tbcache_init(4 << 20, 10);
  if (!tb_is_initialized() || !(tb_availability() & 1)) GTEST_SKIP() << "no Gaviota tables";
  uint32_t size = 0;
  const std::string file = (fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin").string();
  EndgameData = ReadWholeFile(file.c_str(), size);
  ASSERT_EQ(size, EndgameFileSize);
  int64_t compared = 0, mismatches = 0;
  for (const int8_t type : {Queen, Rook, Pawn})
    for (int32_t n = 0; n < 64 * 64 * 64 * 2; ++n) {
      const Square king{n >> 16 & 7, n >> 13 & 7}, weakKing{n >> 10 & 7, n >> 7 & 7};
      const Square piece{n >> 4 & 7, n >> 1 & 7};
      const bool weakToMove = n & 1;
      if (!Possible(type, king, weakKing, piece, weakToMove)) continue;
      const unsigned white[3] = {unsigned(king.rank * 8 + king.file),
                                 unsigned(piece.rank * 8 + piece.file), tb_NOSQUARE};
      const unsigned black[2] = {unsigned(weakKing.rank * 8 + weakKing.file), tb_NOSQUARE};
      const unsigned char code = type == Queen ? tb_QUEEN : type == Rook ? tb_ROOK : tb_PAWN;
      const unsigned char whitePieces[3] = {tb_KING, code, tb_NOPIECE};
      const unsigned char blackPieces[2] = {tb_KING, tb_NOPIECE};
      unsigned info = tb_UNKNOWN, plies = 0;
      ASSERT_TRUE(tb_probe_hard(weakToMove ? tb_BLACK_TO_MOVE : tb_WHITE_TO_MOVE, tb_NOSQUARE,
                                tb_NOCASTLE, white, black, whitePieces, blackPieces, &info,
                                &plies));
      ASSERT_TRUE(info == tb_DRAW || info == tb_WMATE) << n;
      // Pawns keep only the left-right mirror; slow builds take one variant per position.
      const int32_t turns = type == Pawn ? 2 : 8;
      for (int32_t variant = 0; variant < 2 * turns; ++variant) {
        if (SlowBuild && variant != n % (2 * turns)) continue;
        const int32_t strong = variant / turns, turn = variant % turns;
        const auto turned = [&](Square s) {
          if (turn & 1) s.file = 7 - s.file;
          if (turn & 2) s.rank = 7 - s.rank;
          if (turn & 4) std::swap(s.file, s.rank);
          if (strong == Black) s.rank = 7 - s.rank;
          return s;
        };
        const int32_t mover = weakToMove ? strong : 1 - strong;
        Ply = n % 9;
        // The mate comes `plies` after the position the mover's move made.
        const int32_t mate = MateScore - (Ply + 1 + int32_t(plies));
        const int32_t expected = info == tb_DRAW ? 0 : mover == strong ? mate : -mate;
        int16_t score;
        const int32_t verdict =
            Probe(strong, turned(king), turned(weakKing), type, turned(piece), mover, score);
        ++compared;
        if ((verdict != 1 || score != expected) && ++mismatches <= 10)
          ADD_FAILURE() << "type " << int32_t(type) << ", position " << n << ", variant " << variant
                        << ": " << verdict << "/" << score << ", expected " << expected;
      }
    }
  std::free(EndgameData);
  EndgameData = nullptr;
  EXPECT_EQ(mismatches, 0) << "of " << compared;
  tbcache_done();
  tb_done();
  tbpaths_done(paths);
}
#else
TEST(Endgame, EveryPositionTurnedAndRecolouredMatchesGaviota) {
  GTEST_SKIP() << "built without the Gaviota tables (apt-get install gaviotatb libgaviotatb-dev)";
}
#endif

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
  const fs::path dir = fs::temp_directory_path() / ("quendal-endgame-" + std::to_string(getpid()));
  std::ifstream built(fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin", std::ios::binary);
  const std::vector<char> data{std::istreambuf_iterator<char>(built), {}};
  ASSERT_EQ(data.size(), EndgameFileSize);
  const auto rows = ReadRows("endgame-files.txt");
  ASSERT_GT(rows.size(), 5u);
  for (const auto& row : rows) {
    fs::remove_all(dir);
    for (const char* folder : {"work", "engine/bin", "engine/share/quendal"})
      fs::create_directories(dir / folder);
    if (row[1] != "no-link")
      fs::create_symlink(dir / "engine/bin/quendal", dir / "self");  // stands for /proc/self/exe
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
  EndgameExecutableLink = "/proc/self/exe";
  fs::remove_all(dir);
}
}  // namespace
