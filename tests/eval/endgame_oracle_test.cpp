// The generated data file against the Gaviota tables, an independent solver: every position of
// the three endings, both sides to move, read through the engine's own lookup.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "eval/eval.h"
#include "position/position.h"

#ifdef QUENDAL_GAVIOTA_TABLES
#include <gtb-probe.h>
#endif

namespace {

#ifdef QUENDAL_GAVIOTA_TABLES

struct Square {
  int file, rank;
};
Square SquareOf(uint32_t number) { return {int(number >> 3), int(number & 7)}; }
bool Touch(Square a, Square b) {
  return std::abs(a.file - b.file) <= 1 && std::abs(a.rank - b.rank) <= 1;
}
bool Same(Square a, Square b) { return a.file == b.file && a.rank == b.rank; }

int Sign(int x) { return (x > 0) - (x < 0); }

// Whether the piece gives check; only the strong king can stand in its way.
bool Checks(PieceType type, Square piece, Square king, Square blocker) {
  const int df = king.file - piece.file, dr = king.rank - piece.rank;
  if (type == Pawn) return dr == 1 && std::abs(df) == 1;
  const bool line = df == 0 || dr == 0, diagonal = std::abs(df) == std::abs(dr);
  if (!line && !(type == Queen && diagonal)) return false;
  for (Square s{piece.file + Sign(df), piece.rank + Sign(dr)}; !Same(s, king);
       s = {s.file + Sign(df), s.rank + Sign(dr)}) {
    if (Same(s, blocker)) return false;
  }
  return true;
}

unsigned GaviotaSquare(Square s) { return unsigned(s.rank * 8 + s.file); }

class GaviotaTables {
 public:
  GaviotaTables() {
    paths_ = tbpaths_add(tbpaths_init(), QUENDAL_GAVIOTA_TABLES);
    tb_init(0, tb_CP4, paths_);
    tbcache_init(4 << 20, 10);
  }
  ~GaviotaTables() {
    tbcache_done();
    tb_done();
    tbpaths_done(paths_);
  }
  bool Available() const { return tb_is_initialized() && (tb_availability() & 1); }
  // The expected file byte: mate distance in the strong (White) side's moves, or 253.
  int Expected(PieceType type, Square strongKing, Square weakKing, Square piece, bool weakToMove) {
    const unsigned char pieceCode = type == Queen ? tb_QUEEN : type == Rook ? tb_ROOK : tb_PAWN;
    const unsigned white[3] = {GaviotaSquare(strongKing), GaviotaSquare(piece), tb_NOSQUARE};
    const unsigned black[2] = {GaviotaSquare(weakKing), tb_NOSQUARE};
    const unsigned char whitePieces[3] = {tb_KING, pieceCode, tb_NOPIECE};
    const unsigned char blackPieces[2] = {tb_KING, tb_NOPIECE};
    unsigned info = tb_UNKNOWN, plies = 0;
    if (!tb_probe_hard(weakToMove ? tb_BLACK_TO_MOVE : tb_WHITE_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE,
                       white, black, whitePieces, blackPieces, &info, &plies))
      return -1;
    if (info == tb_DRAW) return 253;
    if (info != tb_WMATE) return -2;
    return int(weakToMove ? plies / 2 : (plies + 1) / 2);
  }

 private:
  const char** paths_;
};

std::vector<uint8_t> BuiltData() {
  std::ifstream file(std::filesystem::path(QUENDAL_BINARY).parent_path() / "Endgame.bin",
                     std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(EndgameOracle, EveryPositionMatchesGaviota) {
  GaviotaTables gaviota;
  if (!gaviota.Available()) GTEST_SKIP() << "Gaviota tables could not be opened";
  std::vector<uint8_t> data = BuiltData();
  ASSERT_EQ(data.size(), EndgameFileSize);
  EndgameData = data.data();

  int mismatches = 0, compared = 0;
  for (PieceType type : {Queen, Rook, Pawn}) {
    for (uint32_t index = 0; index < (1u << 19); ++index) {
      const Square strongKing = SquareOf(index >> 13), weakKing = SquareOf(index >> 7 & 63);
      const Square piece = SquareOf(index >> 1 & 63);
      const bool weakToMove = index & 1;
      const bool possible = !Touch(strongKing, weakKing) && !Same(piece, strongKing) &&
                            !Same(piece, weakKing) &&
                            !(type == Pawn && (piece.rank == 0 || piece.rank == 7)) &&
                            (weakToMove || !Checks(type, piece, weakKing, strongKing));
      const int expected =
          possible ? gaviota.Expected(type, strongKing, weakKing, piece, weakToMove) : 255;
      compared += possible;
      const int actual = EndgameByte(index, type);
      if (actual != expected && ++mismatches <= 10) {
        ADD_FAILURE() << "type " << int(type) << " index 0x" << std::hex << index << std::dec
                      << ": file " << actual << ", expected " << expected;
      }
    }
  }
  EndgameData = nullptr;
  EXPECT_EQ(mismatches, 0);
  RecordProperty("compared", compared);
  std::printf("compared %d possible positions with Gaviota\n", compared);
}

#else

TEST(EndgameOracle, EveryPositionMatchesGaviota) {
  GTEST_SKIP() << "built without the Gaviota tables";
}

#endif

}  // namespace
