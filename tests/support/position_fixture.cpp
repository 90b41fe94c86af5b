#include "support/position_fixture.h"

#include <unistd.h>

#include <cinttypes>
#include <cstring>
#include <fstream>
#include <sstream>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "search/search.h"

void PrepareTablesForTests() {
  if (KeyPool == nullptr) BuildKeyPool(KeyPoolBytes);
  if (AttackVectors == nullptr) BuildAttackVectors();
}

CapturedOutput::CapturedOutput() : file_(std::tmpfile()), saved_(OutputDescriptor) {
  OutputDescriptor = fileno(file_);
}

CapturedOutput::~CapturedOutput() {
  OutputDescriptor = saved_;
  std::fclose(file_);
}

std::string CapturedOutput::Text() {
  std::string text;
  char buffer[4096];
  const off_t end = lseek(fileno(file_), 0, SEEK_CUR);
  for (off_t at = 0; at < end;) {
    const ssize_t got = pread(fileno(file_), buffer, sizeof buffer, at);
    if (got <= 0) break;
    text.append(buffer, size_t(got));
    at += got;
  }
  return text;
}

int32_t SetUpPosition(const std::string& argument, std::string* output) {
  PrepareTablesForTests();
  CapturedOutput captured;
  const int32_t result = SetPosition(argument.c_str());
  if (output != nullptr) *output = captured.Text();
  return result;
}

PositionSnapshot TakeSnapshot() {
  PositionSnapshot s{};
  for (int32_t i = 0; i < 120; ++i) s.board[i] = Board[i];
  for (int32_t c = 0; c < 2; ++c) {
    for (int32_t i = 0; i < 16; ++i) s.pieceList[c][i] = PieceList[c][i];
    s.lastEntry[c] = LastEntry[c];
    s.lastOfficer[c] = LastOfficer[c];
  }
  s.pieceCount = PieceCount;
  s.sideToMove = SideToMove;
  s.otherSide = OtherSide;
  s.keyCheck = KeyCheck;
  s.keyIndex = KeyIndex;
  return s;
}

std::string Difference(const PositionSnapshot& a, const PositionSnapshot& b) {
  std::ostringstream out;
  for (int32_t i = 0; i < 120; ++i) {
    const BoardCell &x = a.board[i], &y = b.board[i];
    if (x.type != y.type || x.colour != y.colour || x.listIndex != y.listIndex) {
      out << "cell " << i;
      return out.str();
    }
  }
  for (int32_t c = 0; c < 2; ++c) {
    for (int32_t i = 0; i < 16; ++i) {
      const PieceEntry &x = a.pieceList[c][i], &y = b.pieceList[c][i];
      // The square of a free entry means nothing.
      if (x.type != y.type || (x.type != Empty && x.square != y.square)) {
        out << "entry " << c << "/" << i;
        return out.str();
      }
    }
    if (a.lastEntry[c] != b.lastEntry[c]) return "LastEntry";
    if (a.lastOfficer[c] != b.lastOfficer[c]) return "LastOfficer";
  }
  if (a.pieceCount != b.pieceCount) return "PieceCount";
  if (a.sideToMove != b.sideToMove || a.otherSide != b.otherSide) return "side";
  if (a.keyCheck != b.keyCheck || a.keyIndex != b.keyIndex) return "keys";
  return "";
}

namespace {
std::vector<std::string>* Recorded;

struct LegalSink {
  static int32_t Try(SearchNode&) {
    const Move move = *CurrentMove;
    MakeMove(move);
    if (!IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square)) {
      Recorded->push_back(MoveToText(move));
    }
    UnmakeMove(move);
    return 0;
  }
};
}  // namespace

std::vector<std::string> LegalMoves() {
  std::vector<std::string> moves;
  Recorded = &moves;
  CurrentMove = GameLine + RootSlot;
  Ply = 0;
  SearchNode& node = NodeStack[0];
  GenerateAllMoves<LegalSink>(node);
  return moves;
}

bool HasMove(const std::vector<std::string>& moves, const std::string& move) {
  for (const std::string& m : moves) {
    if (m == move) return true;
  }
  return false;
}

int32_t SquareOf(const char* name) { return (name[0] - 'a') + (name[1] - '1') * 16; }

std::vector<PerftCase> LoadPerftCases(const std::string& fileName) {
  std::vector<PerftCase> cases;
  std::ifstream in(std::string(QUENDAL_DATA_DIR) + "/" + fileName);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    PerftCase c;
    std::istringstream parts(line);
    std::string part;
    std::getline(parts, c.fen, ';');
    while (std::getline(parts, part, ';')) {
      if (part.rfind("id ", 0) == 0) {
        c.id = part.substr(3);
        continue;
      }
      int32_t depth = 0;
      unsigned long long count = 0;
      if (std::sscanf(part.c_str(), "D%d %llu", &depth, &count) != 2) continue;
      if (c.counts.size() <= size_t(depth)) c.counts.resize(size_t(depth) + 1, 0);
      c.counts[size_t(depth)] = count;
    }
    cases.push_back(c);
  }
  return cases;
}
