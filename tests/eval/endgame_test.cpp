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
};

// Kings and one piece of the strong side in the piece lists; `mover` has just moved.
int32_t Probe(int32_t strong, Square king, Square weakKing, int8_t type, Square piece,
              int32_t mover, int16_t& score) {
  auto square = [](Square s) { return s.rank * 16 + s.file; };
  PieceList[strong][0] = {square(king), King};
  PieceList[strong][1] = {square(piece), type};
  PieceList[1 - strong][0] = {square(weakKing), King};
  LastEntry[strong] = 1, LastEntry[1 - strong] = 0;
  PieceCount = type == Empty ? 2 : 3;
  SideToMove = mover, OtherSide = 1 - mover;
  SearchNode node{};
  node.moveScore = 12345;
  const int32_t verdict = ProbeEndgame(node);
  score = node.moveScore;
  return verdict;
}

std::vector<uint8_t> Bytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

#ifdef QUENDAL_GAVIOTA_TABLES
constexpr int32_t Draw = 1000;
// Plies to mate from the position (White strong), Draw, or -1 when Gaviota has no answer.
int32_t GaviotaPlies(int8_t type, Square king, Square weakKing, Square piece, bool weakToMove) {
  auto number = [](Square s) { return unsigned(s.rank * 8 + s.file); };
  const unsigned white[3] = {number(king), number(piece), tb_NOSQUARE};
  const unsigned black[2] = {number(weakKing), tb_NOSQUARE};
  const unsigned char code = type == Queen ? tb_QUEEN : type == Rook ? tb_ROOK : tb_PAWN;
  const unsigned char whitePieces[3] = {tb_KING, code, tb_NOPIECE};
  const unsigned char blackPieces[2] = {tb_KING, tb_NOPIECE};
  unsigned info = tb_UNKNOWN, plies = 0;
  if (!tb_probe_hard(weakToMove ? tb_BLACK_TO_MOVE : tb_WHITE_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE,
                     white, black, whitePieces, blackPieces, &info, &plies))
    return -1;
  return info == tb_DRAW ? Draw : info == tb_WMATE ? int32_t(plies) : -1;
}

bool Touch(Square a, Square b) {
  return std::abs(a.file - b.file) <= 1 && std::abs(a.rank - b.rank) <= 1;
}

// Whether the piece attacks the square, with only the strong king in its way.
bool Attacks(int8_t type, Square from, Square to, Square blocker) {
  const int32_t df = to.file - from.file, dr = to.rank - from.rank;
  if (type == Pawn) return dr == 1 && std::abs(df) == 1;
  if (df != 0 && dr != 0 && !(type == Queen && std::abs(df) == std::abs(dr))) return false;
  const Square step{(df > 0) - (df < 0), (dr > 0) - (dr < 0)};
  for (Square s{from.file + step.file, from.rank + step.rank};
       s.file != to.file || s.rank != to.rank; s = {s.file + step.file, s.rank + step.rank})
    if (s.file == blocker.file && s.rank == blocker.rank) return false;
  return true;
}

TEST(Endgame, EveryPositionTurnedAndRecolouredMatchesGaviota) {
  const char** paths = tbpaths_add(tbpaths_init(), QUENDAL_GAVIOTA_TABLES);
  tb_init(0, tb_CP4, paths);
  tbcache_init(4 << 20, 10);
  if (!tb_is_initialized() || !(tb_availability() & 1)) GTEST_SKIP() << "no Gaviota tables";
  std::vector<uint8_t> data = Bytes(fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin");
  ASSERT_EQ(data.size(), EndgameFileSize);
  EndgameData = data.data();
  int64_t compared = 0, mismatches = 0;
  for (const int8_t type : {Queen, Rook, Pawn})
    for (int32_t n = 0; n < 64 * 64 * 64 * 2; ++n) {
      const Square king{n >> 16 & 7, n >> 13 & 7}, weakKing{n >> 10 & 7, n >> 7 & 7};
      const Square piece{n >> 4 & 7, n >> 1 & 7};
      const bool weakToMove = n & 1;
      if (Touch(king, weakKing) || (piece.file == king.file && piece.rank == king.rank) ||
          (piece.file == weakKing.file && piece.rank == weakKing.rank) ||
          (type == Pawn && (piece.rank == 0 || piece.rank == 7)) ||
          (!weakToMove && Attacks(type, piece, weakKing, king)))
        continue;
      const int32_t plies = GaviotaPlies(type, king, weakKing, piece, weakToMove);
      ASSERT_GE(plies, 0) << n;
      // Pawns keep only the left-right mirror; slow builds take one variant per position.
      const int32_t turns = type == Pawn ? 2 : 8;
      for (int32_t variant = 0; variant < 2 * turns; ++variant) {
        if (SlowBuild && variant != n % (2 * turns)) continue;
        const int32_t strong = variant / turns, turn = variant % turns;
        auto turned = [&](Square s) {
          if (turn & 1) s.file = 7 - s.file;
          if (turn & 2) s.rank = 7 - s.rank;
          if (turn & 4) std::swap(s.file, s.rank);
          if (strong == Black) s.rank = 7 - s.rank;
          return s;
        };
        const int32_t mover = weakToMove ? strong : 1 - strong;
        Ply = n % 9;
        int16_t score;
        const int32_t verdict =
            Probe(strong, turned(king), turned(weakKing), type, turned(piece), mover, score);
        const int32_t mate = MateScore - (Ply + 1 + plies);
        const int32_t expected = plies == Draw ? 0 : mover == strong ? mate : -mate;
        ++compared;
        if ((verdict != 1 || score != expected) && ++mismatches <= 10)
          ADD_FAILURE() << "type " << int32_t(type) << ", position " << n << ", variant " << variant
                        << ": " << verdict << "/" << score << ", expected " << expected;
      }
    }
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
      int16_t score;
      EXPECT_EQ(Probe(strong, {4, 0}, {4, 7}, type, {2, 3}, strong, score), 1);
      EXPECT_EQ(score, 0);
    }
  EXPECT_EQ(EndgameTryLoad, 1);
}

// Where the file is looked for: rows of files placed in the working directory and beside the
// executable, and the verdict of the corner position (queen a1/b1 against h8, weak side to
// move), whose byte each file sets to its own value.
TEST(Endgame, TheFirstCompleteFileFoundIsUsed) {
  struct Placed {
    const char* where;
    int64_t size;  // bytes beyond the full size; negative: short
    uint8_t value;
  };
  struct Row {
    std::vector<Placed> files;
    int32_t score;  // -1: no verdict
  } rows[] = {
      {{}, -1},
      {{{"work", 0, 0}, {"engine", 0, 253}}, MateScore - 1},
      {{{"work", -1, 0}, {"engine", 0, 1}}, MateScore - 3},
      {{{"work", 100, 2}}, MateScore - 5},
      {{{"work", -int64_t(EndgameFileSize), 0}, {"engine", 0, 253}}, 0},
      {{{"engine", -1, 1}}, -1},
  };
  const fs::path home = fs::current_path();
  const fs::path dir = fs::temp_directory_path() / ("quendal-endgame-" + std::to_string(getpid()));
  for (const Row& row : rows) {
    fs::remove_all(dir);
    fs::create_directories(dir / "work");
    fs::create_directories(dir / "engine");
    fs::create_symlink(dir / "engine" / "quendal", dir / "self");  // stands for /proc/self/exe
    for (const Placed& file : row.files) {
      std::vector<uint8_t> bytes(size_t(int64_t(EndgameFileSize) + file.size), 201);
      if (bytes.size() > 8081) bytes[8081] = file.value;
      std::ofstream(dir / file.where / "Endgame.bin", std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    fs::current_path(dir / "work");
    const std::string link = (dir / "self").string();
    EndgameExecutableLink = link.c_str();
    EndgameData = nullptr;
    EndgameTryLoad = 1;
    Ply = 0;
    int16_t score;
    const int32_t verdict = Probe(White, {0, 0}, {7, 7}, Queen, {1, 0}, White, score);
    EXPECT_EQ(verdict ? score : -1, row.score) << "row " << &row - rows;
    EXPECT_EQ(EndgameTryLoad, 0);
    std::free(EndgameData);
    EndgameData = nullptr;
    fs::current_path(home);
  }
  EndgameExecutableLink = "/proc/self/exe";
  fs::remove_all(dir);
}
}  // namespace
