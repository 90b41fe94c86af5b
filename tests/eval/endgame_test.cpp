#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "eval/eval.h"
#include "position/position.h"
#include "search/search.h"

namespace fs = std::filesystem;

namespace {

// The data file the build left beside the engine.
fs::path BuiltFile() { return fs::path(QUENDAL_BINARY).parent_path() / "Endgame.bin"; }

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

int32_t Sq(const char* name) { return (name[1] - '1') * 16 + (name[0] - 'a'); }

struct Placed {
  int32_t colour;
  PieceType type;
  const char* square;
};

// Fills the piece lists the way set-up would for a few pieces, kings first; `mover` is the side
// that has just moved, as when the search asks for a verdict.
void Place(std::initializer_list<Placed> pieces, int32_t mover) {
  for (auto& list : PieceList)
    for (auto& entry : list) entry = {0, Empty};
  LastEntry[White] = LastEntry[Black] = 0;
  PieceCount = 0;
  for (const Placed& piece : pieces) {
    const int32_t entry = piece.type == King ? 0 : ++LastEntry[piece.colour];
    PieceList[piece.colour][entry] = {Sq(piece.square), piece.type};
    ++PieceCount;
  }
  SideToMove = mover;
  OtherSide = 1 - mover;
}

// Every test starts with no data and a load still to be tried, and leaves it that way.
class Endgame : public ::testing::Test {
 protected:
  void SetUp() override { Forget(); }
  void TearDown() override {
    Forget();
    EndgameExecutableLink = "/proc/self/exe";
  }
  static void Forget() {
    EndgameData = nullptr;
    EndgameTryLoad = 1;
    Ply = 0;
  }
  // Data of "no verdict" everywhere but the given bytes.
  void UseData(std::initializer_list<std::pair<uint32_t, uint8_t>> bytes) {
    data_.assign(EndgameFileSize, 201);
    for (auto [offset, value] : bytes) data_[offset] = value;
    EndgameData = data_.data();
  }
  int32_t Probe() {
    node_.moveScore = 12345;
    return ProbeEndgame(node_);
  }
  std::vector<uint8_t> data_;
  SearchNode node_{};
};

TEST_F(Endgame, BareKingsAndLoneMinorPiecesAreDrawsWithoutTheFile) {
  Place({{White, King, "e1"}, {Black, King, "e8"}}, White);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 0);

  // A captured entry stays in the list as type 0 and is passed over.
  Place({{White, King, "e1"}, {Black, King, "e8"}, {Black, Bishop, "c8"}}, Black);
  PieceList[White][1] = {Sq("d1"), Empty};
  LastEntry[White] = 1;
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 0);
  for (PieceType minor : {Bishop, Knight}) {
    for (int32_t owner : {White, Black}) {
      Place({{White, King, "e1"}, {Black, King, "e8"}, {owner, minor, "c4"}}, 1 - owner);
      EXPECT_EQ(Probe(), 1);
      EXPECT_EQ(node_.moveScore, 0);
    }
  }
  EXPECT_EQ(EndgameTryLoad, 1) << "these verdicts must not touch the file";
  EXPECT_EQ(EndgameData, nullptr);
}

TEST_F(Endgame, ByteOfQueenCornerCaseAndItsColourTwin) {
  // Strong king a1 (slot 0), weak king h8 (63), queen b1 (8), weak side to move.
  UseData({{8081, 0}});
  Ply = 3;
  Place({{White, King, "a1"}, {White, Queen, "b1"}, {Black, King, "h8"}}, White);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - (1 + 3)) << "a stored 0 means the move mates";

  Place({{Black, King, "a8"}, {Black, Queen, "b8"}, {White, King, "h1"}}, Black);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - (1 + 3));
}

TEST_F(Endgame, ScoresCountPliesFromThePositionBeforeTheMove) {
  // Same squares with the strong side to move (bit 0): the weak side just moved into a loss.
  UseData({{8080, 7}, {8081, 253}});
  Ply = 5;
  Place({{White, King, "a1"}, {White, Queen, "b1"}, {Black, King, "h8"}}, Black);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, -(32000 - (2 * 7 + 5)));

  Place({{White, King, "a1"}, {White, Queen, "b1"}, {Black, King, "h8"}}, White);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 0) << "253 is a draw";
}

TEST_F(Endgame, BytesAboveTwoHundredOtherThanDrawGiveNoVerdict) {
  for (uint8_t value : {201, 254, 255}) {
    UseData({{8081, value}});
    Place({{White, King, "a1"}, {White, Queen, "b1"}, {Black, King, "h8"}}, White);
    EXPECT_EQ(Probe(), 0) << int(value);
    EXPECT_EQ(node_.moveScore, 12345);
  }
}

TEST_F(Endgame, BuiltFileKnowsAMateAndAStalemate) {
  data_ = ReadBytes(BuiltFile());
  ASSERT_EQ(data_.size(), EndgameFileSize);
  EndgameData = data_.data();
  Ply = 2;
  Place({{White, King, "f6"}, {White, Queen, "g7"}, {Black, King, "h8"}}, White);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 3);
  for (int32_t strong : {White, Black}) {
    const bool white = strong == White;
    Place({{strong, King, white ? "d6" : "d3"},
           {strong, Pawn, white ? "d7" : "d2"},
           {1 - strong, King, white ? "d8" : "d1"}},
          strong);
    EXPECT_EQ(Probe(), 1);
    EXPECT_EQ(node_.moveScore, 0) << "stalemate";
  }
}

uint32_t Offset(uint32_t block, uint32_t page, uint32_t weakKing, uint32_t piece, uint32_t bit) {
  return block + page * 8192 + weakKing * 128 + piece * 2 + bit;
}

TEST_F(Endgame, SymmetriesBringTheStrongKingToItsStoredSquare) {
  // h1 mirrors to a1: queen g3 -> b3 (10), weak king c6 -> f6 (45).
  UseData({{Offset(0, 0, 45, 10, 1), 4}});
  Place({{White, King, "h1"}, {White, Queen, "g3"}, {Black, King, "c6"}}, White);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 9);

  // b1 reflects to a2 (slot 1): rook c3 stays c3 (18), weak king h5 -> e8 (39).
  UseData({{Offset(0x14000, 1, 39, 18, 1), 2}});
  Place({{White, King, "b1"}, {White, Rook, "c3"}, {Black, King, "h5"}}, White);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 5);

  // g7 takes every step: mirrored to b7, then b2 (slot 4); queen f6 -> c6 -> c3 (18), weak king
  // e4 -> d4 -> d5 (28), then no reflection since file 1 <= rank 1.
  UseData({{Offset(0, 4, 28, 18, 0), 3}});
  Place({{White, King, "g7"}, {White, Queen, "f6"}, {Black, King, "e4"}}, Black);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, -(32000 - 6));
}

TEST_F(Endgame, PawnPositionsOnlyMirrorLeftRight) {
  // White king g6 -> b6 (page 13), pawn h5 -> a5 (4), weak king f8 -> c8 (23).
  UseData({{Offset(0x28000, 13, 23, 4, 1), 5}});
  Place({{White, King, "g6"}, {White, Pawn, "h5"}, {Black, King, "f8"}}, White);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 11);

  // Black pawn: ranks counted from Black's side. King b3 -> b6, pawn a4 -> a5, king c1 -> c8;
  // Black has just moved, so the weak side moves next.
  Place({{Black, King, "b3"}, {Black, Pawn, "a4"}, {White, King, "c1"}}, Black);
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 11);
}

class EndgameFiles : public Endgame {
 protected:
  void SetUp() override {
    Endgame::SetUp();
    home_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("quendal-endgame-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "work");
    fs::create_directories(dir_ / "engine");
    fs::current_path(dir_ / "work");
    // Stands for /proc/self/exe: the engine runs from dir_/engine.
    fs::create_symlink(dir_ / "engine" / "quendal", dir_ / "self");
    link_ = (dir_ / "self").string();
    EndgameExecutableLink = link_.c_str();
  }
  void TearDown() override {
    std::free(EndgameData);
    fs::current_path(home_);
    fs::remove_all(dir_);
    Endgame::TearDown();
  }
  // A file whose byte 8081 (queen a1/b1 against h8) holds `value`.
  static std::vector<uint8_t> FileWith(uint8_t value, size_t size = EndgameFileSize) {
    std::vector<uint8_t> bytes(size, 201);
    if (size > 8081) bytes[8081] = value;
    return bytes;
  }
  int32_t ProbeCorner() {
    Place({{White, King, "a1"}, {White, Queen, "b1"}, {Black, King, "h8"}}, White);
    return Probe();
  }
  fs::path home_, dir_;
  std::string link_;
};

TEST_F(EndgameFiles, WithoutFileTheEndingIsSearchedAndTheLoadIsNotRetried) {
  EXPECT_EQ(ProbeCorner(), 0);
  EXPECT_EQ(node_.moveScore, 12345);
  EXPECT_EQ(EndgameTryLoad, 0);
  WriteBytes("Endgame.bin", FileWith(0));
  EXPECT_EQ(ProbeCorner(), 0) << "a file copied in later is not seen";
  EXPECT_EQ(EndgameByte(8081, Queen), 254);
}

TEST_F(EndgameFiles, WorkingDirectoryComesFirst) {
  WriteBytes("Endgame.bin", FileWith(0));
  WriteBytes(dir_ / "engine" / "Endgame.bin", FileWith(253));
  EXPECT_EQ(ProbeCorner(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 1);
  EXPECT_EQ(EndgameTryLoad, 0);
}

TEST_F(EndgameFiles, ShortFileCountsAsMissingAndTheEngineDirectoryIsTried) {
  WriteBytes("Endgame.bin", FileWith(0, EndgameFileSize - 1));
  WriteBytes(dir_ / "engine" / "Endgame.bin", FileWith(1));
  EXPECT_EQ(ProbeCorner(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 3);
}

TEST_F(EndgameFiles, BytesPastTheBlocksAreIgnored) {
  std::vector<uint8_t> bytes = FileWith(2, EndgameFileSize + 100);
  WriteBytes("Endgame.bin", bytes);
  EXPECT_EQ(ProbeCorner(), 1);
  EXPECT_EQ(node_.moveScore, 32000 - 5);
}

TEST_F(EndgameFiles, ReadWholeFileAddsAZeroByteAndRefusesEmptyFiles) {
  WriteBytes("three", {7, 8, 9});
  WriteBytes("empty", {});
  uint32_t size = 99;
  uint8_t* data = ReadWholeFile("three", size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(data[2], 9);
  EXPECT_EQ(data[3], 0);
  std::free(data);
  EXPECT_EQ(ReadWholeFile("empty", size), nullptr);
  EXPECT_EQ(ReadWholeFile("absent", size), nullptr);
  EXPECT_EQ(ReadWholeFile(".", size), nullptr);
}

}  // namespace
