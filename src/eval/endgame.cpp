// Endgame data: king and queen, king and rook, king and pawn against king are decided by a
// lookup in "Endgame.bin" instead of a search; bare kings and a lone minor piece are draws.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "position/position.h"
#include "search/search.h"

namespace {

constexpr int32_t EndgameDraw = 253;
constexpr int32_t EndgameMissing = 254;
constexpr int32_t EndgameLongestMate = 200;

// Index bits: 0 weak side to move, 1..6 piece, 7..12 weak king, 13..18 strong king; each
// square is file * 8 + rank, rank 0 being the strong side's first rank.
constexpr uint32_t StrongKingOnRightHalf = 0x40000;
constexpr uint32_t StrongKingOnUpperHalf = 0x8000;
constexpr uint32_t MirrorLeftRight = 0x71C70;
constexpr uint32_t MirrorTopBottom = 0xE38E;

uint32_t FileMajorNumber(int32_t square) { return uint32_t((square & 7) * 8 + (square >> 4)); }

// Swaps file and rank of the three squares of an index, keeping the to-move bit.
uint32_t ReflectDiagonal(uint32_t index) {
  uint32_t reflected = index & 1;
  for (int32_t shift : {1, 7, 13}) {
    const uint32_t square = index >> shift & 63;
    reflected |= ((square & 7) << 3 | square >> 3) << shift;
  }
  return reflected;
}

// A strong king in the a1-a4-d4 triangle of the queen and rook blocks becomes its slot:
// a1..a4 are 0..3, b2..b4 4..6, c3 and c4 7 and 8, d4 9 (number - 0, 5, 11, 18 by file).
constexpr uint32_t SlotShift[4] = {0, 0xA000, 0x16000, 0x24000};

uint32_t BlockOffset(int8_t type) {
  switch (type) {
    case Queen:
      return 0;
    case Rook:
      return 0x14000;
    default:
      return 0x28000;
  }
}

// A file too short to hold every block counts as missing, so no probe ever reads past its end.
uint8_t* LoadFrom(const std::string& name) {
  uint32_t size = 0;
  uint8_t* data = ReadWholeFile(name.c_str(), size);
  if (data && size < EndgameFileSize) {
    std::free(data);
    data = nullptr;
  }
  return data;
}

// The working directory comes first; an engine started from elsewhere still finds the file the
// build put beside it.
uint8_t* LoadEndgameData() {
  if (uint8_t* data = LoadFrom("Endgame.bin")) return data;
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink(EndgameExecutableLink, error);
  if (error || !self.has_parent_path()) return nullptr;
  return LoadFrom((self.parent_path() / "Endgame.bin").string());
}

}  // namespace

uint8_t* ReadWholeFile(const char* name, uint32_t& size) {
  size = 0;
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return nullptr;
  std::ifstream file(name, std::ios::binary);
  if (!file) return nullptr;
  const uint32_t length = uint32_t(std::filesystem::file_size(name, error));
  if (error || length == 0) return nullptr;
  auto* buffer = static_cast<uint8_t*>(AllocZeroed(length + 1));
  if (!buffer) return nullptr;
  file.read(reinterpret_cast<char*>(buffer), length);
  if (uint32_t(file.gcount()) != length) {
    std::free(buffer);
    return nullptr;
  }
  size = length;
  return buffer;
}

int32_t EndgameByte(uint32_t index, int8_t type) {
  if (!EndgameData) {
    if (EndgameTryLoad) EndgameData = LoadEndgameData();
    EndgameTryLoad = 0;
    if (!EndgameData) return EndgameMissing;
  }
  if (type != Queen && type != Rook && type != Pawn) return EndgameMissing;
  if (index & StrongKingOnRightHalf) index ^= MirrorLeftRight;
  // A pawn's direction breaks every symmetry but the left-right mirror.
  if (type != Pawn) {
    if (index & StrongKingOnUpperHalf) index ^= MirrorTopBottom;
    if ((index >> 16 & 7) > (index >> 13 & 7)) index = ReflectDiagonal(index);
    index -= SlotShift[index >> 16 & 7];
  }
  return EndgameData[index + BlockOffset(type)];
}

int32_t ProbeEndgame(SearchNode& node) {
  if (PieceCount < 3) {
    node.moveScore = 0;
    return 1;
  }
  for (int32_t strong = White; strong <= Black; ++strong) {
    for (int32_t entry = 1; entry <= LastEntry[strong]; ++entry) {
      const PieceEntry& piece = PieceList[strong][entry];
      if (piece.type == Empty) continue;
      if (piece.type == Bishop || piece.type == Knight) {
        node.moveScore = 0;
        return 1;
      }
      uint32_t index = FileMajorNumber(PieceList[strong][0].square) << 13 |
                       FileMajorNumber(PieceList[1 - strong][0].square) << 7 |
                       FileMajorNumber(piece.square) << 1;
      // The file has the strong side playing up the board; the bit says the weak side moves next.
      uint32_t weakToMove = uint32_t(OtherSide);
      if (strong == Black) {
        index ^= MirrorTopBottom;
        weakToMove = uint32_t(SideToMove);
      }
      const int32_t value = EndgameByte(index | weakToMove, piece.type);
      if (value == EndgameDraw) {
        node.moveScore = 0;
        return 1;
      }
      if (value > EndgameLongestMate) return 0;
      int32_t score = MateScore - (int32_t(weakToMove) + 2 * value + Ply);
      if (weakToMove == 0) score = -score;
      node.moveScore = int16_t(score);
      return 1;
    }
  }
  return 0;
}
