#include "support/support.h"

#include <regex.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "search/search.h"

std::vector<std::string> Words(const std::string& text, char separator) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; std::getline(in, word, separator);) {
    const size_t start = word.find_first_not_of(" \t"), end = word.find_last_not_of(" \t");
    if (separator != ' ' || start != std::string::npos)
      words.push_back(start == std::string::npos ? "" : word.substr(start, end - start + 1));
  }
  return words;
}

int32_t SquareOf(const std::string& name) { return (name[0] - 'a') + (name[1] - '1') * 16; }

CapturedOutput::CapturedOutput() : file_(std::tmpfile()), saved_(OutputDescriptor) {
  OutputDescriptor = fileno(file_);
}
CapturedOutput::~CapturedOutput() {
  OutputDescriptor = saved_;
  std::fclose(file_);
}
std::string CapturedOutput::Text() {
  std::string text(size_t(lseek(fileno(file_), 0, SEEK_CUR)), '\0');
  text.resize(size_t(std::max<ssize_t>(0, pread(fileno(file_), text.data(), text.size(), 0))));
  return text;
}

int32_t SetUpPosition(const std::string& argument, std::string* output) {
  CapturedOutput captured;
  const int32_t result = SetPosition(argument.c_str());
  if (output != nullptr) *output = captured.Text();
  return result;
}

std::string PrintedFen() {
  CurrentMove = GameLine + RootSlot;
  CapturedOutput captured;
  PrintDiagram();
  const std::string text = captured.Text();
  const size_t start = text.find("Fen: ") + 5;
  return text.substr(start, text.find('\n', start) - start);
}

namespace {
std::vector<Move>* Recorded;
struct Record {
  static int32_t Try(SearchNode&) {
    Recorded->push_back(*CurrentMove);
    return 0;
  }
};
}  // namespace

std::vector<Move> MoveRecords(bool legalOnly) {
  std::vector<Move> moves, legal;
  Recorded = &moves;
  GenerateAllMoves<Record>(NodeStack[Ply]);
  for (const Move& move : moves) {
    const int32_t mover = SideToMove;
    MakeMove(move);
    if (!legalOnly || !IsAttacked(int8_t(OtherSide), PieceList[mover][0].square))
      legal.push_back(move);
    UnmakeMove(move);
  }
  return legal;
}

std::vector<std::string> LegalMoves() {
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  std::vector<std::string> moves;
  for (const Move& move : MoveRecords(true)) moves.push_back(MoveToText(move));
  return moves;
}

std::vector<std::string> LegalMoves(const std::string& argument) {
  return SetUpPosition(argument) ? LegalMoves() : std::vector<std::string>{};
}

bool HasMove(const std::vector<std::string>& moves, const std::string& move) {
  return std::find(moves.begin(), moves.end(), move) != moves.end();
}

namespace {
// Everything make/unmake must restore, field by field, in an order and with sizes that never
// change: the square of a free entry counts as 0, since it means nothing.
template <typename Visit>
void VisitPosition(Visit visit) {
  for (int32_t q = 0; q < 120; ++q) visit("Board", q, Board[q]);
  for (int32_t c = 0; c < 2; ++c) {
    for (int32_t i = 0; i < 16; ++i) {
      const PieceEntry& entry = PieceList[c][i];
      visit(c ? "PieceList[1]" : "PieceList[0]", i, entry.type);
      visit(c ? "PieceList[1] square" : "PieceList[0] square", i,
            entry.type == Empty ? decltype(entry.square){} : entry.square);
    }
    visit("SquareSets", c, SquareSets[c]);
    visit("LastEntry", c, LastEntry[c]);
  }
  int32_t i = 0;
  for (const auto value : {PieceCount, SideToMove, OtherSide, int32_t(KeyCheck), int32_t(KeyIndex)})
    visit("PieceCount, SideToMove, OtherSide, KeyCheck, KeyIndex", i++, value);
}
}  // namespace

PositionSnapshot TakeSnapshot() {
  PositionSnapshot bytes;
  VisitPosition([&](const char*, int32_t, const auto& value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
  });
  return bytes;
}

std::string Difference(const PositionSnapshot& a, const PositionSnapshot& b) {
  const size_t at = size_t(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
  if (at == a.size() && a.size() == b.size()) return "";
  std::string field = "beyond the last field";
  size_t end = 0;
  VisitPosition([&](const char* name, int32_t index, const auto& value) {
    if (end <= at && at < (end += sizeof value))
      field = std::string(name) + " #" + std::to_string(index);
  });
  return field + " differs (byte " + std::to_string(at) + ")";
}

std::string WithMove(const std::string& argument, const std::string& move) {
  return argument + (argument.find(" moves") == std::string::npos ? " moves " : " ") + move;
}

std::string RandomGame(std::mt19937& random, const std::string& base, int32_t plies) {
  std::string argument = base;
  for (int32_t ply = 0; ply < plies; ++ply) {
    const std::vector<std::string> moves = LegalMoves(argument);
    if (moves.empty()) break;
    argument = WithMove(argument, moves[random() % moves.size()]);
  }
  return argument;
}

std::string BestMoveFault(const std::string& argument, const std::string& line) {
  const std::vector<std::string> words = Words(line), legal = LegalMoves(argument);
  std::string fault;
  if (words.size() < 2 || words[0] != "bestmove") {
    fault = "no bestmove line";
  } else if (words[1] == "0000" || legal.empty()) {
    if (words[1] != "0000" || !legal.empty()) fault = "a best move exactly when one is legal";
  } else if (!HasMove(legal, words[1])) {
    fault = "illegal best move";
  } else if (words.size() > 3) {
    CapturedOutput quiet;
    if (ApplyMoveText(words[1].c_str()) != 1 || !HasMove(LegalMoves(), words[3]))
      fault = "illegal ponder move";
    SetPosition(argument.c_str());
  }
  return fault.empty() ? "" : fault + ": " + line + " in " + argument;
}

bool Matches(const std::string& text, const std::string& pattern) {
  // Each pattern is compiled once, and freed at exit.
  static struct Compiled : std::map<std::string, regex_t> {
    ~Compiled() {
      for (auto& entry : *this) regfree(&entry.second);
    }
  } compiled;
  const auto [entry, added] = compiled.try_emplace(pattern);
  if (added && regcomp(&entry->second, ("^(" + pattern + ")$").c_str(), REG_EXTENDED | REG_NOSUB))
    return compiled.erase(entry), false;
  return regexec(&entry->second, text.c_str(), 0, nullptr, 0) == 0;
}

bool IsEngineLine(const std::string& line) {
  static const std::string pattern = [] {  // '#' stands for a number, '@' for a move
    std::string text =
        "id name Quendal 4\\.08|id author Orvendel|uciok|readyok|info string [^\t\r]*[^ \t\r]|"
        "option name Hash type spin default # min 1 max 1024|option name Ponder type check default"
        " true|info currmove @ currmovenumber #|info depth # seldepth # score (cp|mate) -?#"
        "( upperbound| lowerbound)? time # nodes # nps #( pv @( @)*)?|bestmove (0000|@( ponder "
        "@)?)|"
        "# Bytes Arbeitsspeicher nicht mehr verf\x81gbar";
    text = std::regex_replace(text, std::regex("#"), "[0-9]+");
    return std::regex_replace(text, std::regex("@"), "[a-h][1-8][a-h][1-8][qrbn]?");
  }();
  return Matches(line, pattern);
}

std::vector<std::vector<std::string>> ReadRows(const std::string& name, char separator) {
  const std::string path =
      name[0] == '/' ? name : std::string(QUENDAL_SOURCE_DIR) + "/tests/data/" + name;
  std::ifstream in(path);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);)
    if (line.find_first_not_of(' ') != std::string::npos && line[0] != '#')
      rows.push_back(Words(line, separator));
  if (rows.empty()) throw std::runtime_error("no rows in " + path);
  return rows;
}

std::optional<std::string> SharedData(const std::string& name) {
  const std::string path = std::string(QUENDAL_SOURCE_DIR) + "/../shared/data/" + name;
  if (access(path.c_str(), R_OK) != 0) return std::nullopt;
  return path;
}

TemporaryFolder::TemporaryFolder()
    : path(std::filesystem::temp_directory_path() /
           ("quendal-" + std::to_string(getpid()) + "-" + std::to_string(std::rand()))) {
  std::filesystem::create_directories(path);
}
TemporaryFolder::~TemporaryFolder() { std::filesystem::remove_all(path); }

std::vector<std::string> PerftPositions() {
  std::vector<std::string> positions;
  for (const auto& row : ReadRows("perft.txt", ';')) positions.push_back(row[0]);
  return positions;
}

std::optional<std::string> StockfishBinary() {
  if (std::getenv("QUENDAL_NO_ORACLES") || access("/usr/games/stockfish", X_OK) != 0) return {};
  return "/usr/games/stockfish";
}

std::optional<std::string> GaviotaTables() {
#ifdef QUENDAL_GAVIOTA_TABLES
  if (!std::getenv("QUENDAL_NO_ORACLES")) return QUENDAL_GAVIOTA_TABLES;
#endif
  return {};
}

namespace {
std::vector<Divide> ParseDivides(std::istream& in) {
  std::vector<Divide> divides(1);
  for (std::string line; std::getline(in, line);) {
    const size_t colon = line.find(": ");
    if (line.starts_with("Nodes searched")) {
      divides.emplace_back();
    } else if (colon == 4 || colon == 5) {
      divides.back()[line.substr(0, colon)] = std::stoull(line.substr(colon + 2));
    }
  }
  divides.pop_back();
  return divides;
}
}  // namespace

std::optional<std::vector<Divide>> StockfishDivides(const std::vector<std::string>& positions,
                                                    int32_t depth) {
  const std::optional<std::string> stockfish = StockfishBinary();
  if (!stockfish) return std::nullopt;
  std::string command = "printf '%s' '";  // our positions hold no quotes
  for (const std::string& position : positions)
    command += "position " + position + "\ngo perft " + std::to_string(depth) + "\n";
  std::FILE* pipe = popen((command + "quit\n' | " + *stockfish).c_str(), "r");
  std::string text;
  char buffer[4096];
  for (size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    text.append(buffer, got);
  const int status = pipe ? pclose(pipe) : -1;
  std::istringstream in(text);
  std::vector<Divide> divides = ParseDivides(in);
  if (status != 0 || divides.size() != positions.size())
    throw std::runtime_error("stockfish (exit status " + std::to_string(status) + ") answered " +
                             std::to_string(divides.size()) + " divides for " +
                             std::to_string(positions.size()) + " positions");
  return divides;
}

Divide OwnDivide(int32_t depth) {
  CapturedOutput captured;
  PerftDivide(depth);
  std::istringstream in(captured.Text());
  std::vector<Divide> divides = ParseDivides(in);
  return divides.empty() ? Divide{} : divides[0];
}
