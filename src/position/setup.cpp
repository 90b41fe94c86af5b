// Set-up from a "position" argument: the board from a FEN board field (or the built-in start
// text), the side to move, the keys, the piece lists and the history of the move list. A position
// the engine cannot hold or search safely is refused and the previous one stays as it was.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"

namespace {
constexpr const char* StartText = "rnbqkbnrpppppppp8888PPPPPPPPRNBQKBNR w - - 0 1";
constexpr size_t WorkTextLimit = 16383;

bool StartsWithFen(const char* text) {
  return std::tolower(static_cast<unsigned char>(text[0])) == 'f' &&
         std::tolower(static_cast<unsigned char>(text[1])) == 'e' &&
         std::tolower(static_cast<unsigned char>(text[2])) == 'n' && text[3] == ' ';
}

int8_t PieceFromLetter(char letter) {
  const char* found =
      std::strchr(PieceLetters + 1, std::tolower(static_cast<unsigned char>(letter)));
  return found != nullptr && letter != 0 ? int8_t(found - PieceLetters) : int8_t(Empty);
}

// Fills the 64 squares a8..h8, a7..h7, ..., a1..h1 from the text; characters outside the board
// set are skipped, and the parse stops at the end of the text or once h1 has been passed.
void ParseBoard(const std::string& text) {
  int32_t filled = 0;
  for (size_t i = 0; i < text.size() && filled < 64; ++i) {
    const char c = text[i];
    if (c >= '1' && c <= '8') {
      filled += c - '0';
      continue;
    }
    const int8_t type = PieceFromLetter(c);
    if (type == Empty) continue;
    const int32_t square = (7 - filled / 8) * 16 + filled % 8;
    const int8_t colour = std::isupper(static_cast<unsigned char>(c)) ? White : Black;
    Board[square].type = type;
    Board[square].colour = colour;
    KeyCheck ^= PieceWord(CheckBank, type, colour, square);
    KeyIndex ^= PieceWord(IndexBank, type, colour, square);
    ++filled;
  }
}

// Rights given away by a FEN's castling field (its third field before any move list). A FEN
// without that field gives away none; the letters present keep their corners.
uint8_t RightsLostByFen(const char* fen) {
  std::string text(fen);
  const size_t moves = text.find("moves ");
  if (moves != std::string::npos) text.resize(moves);
  size_t start = 0;
  std::string field;
  for (int32_t n = 0; n < 3; ++n) {
    start = text.find_first_not_of(" \t\n", start);
    if (start == std::string::npos) return 0;
    const size_t end = std::min(text.find_first_of(" \t\n", start), text.size());
    field = text.substr(start, end - start);
    if (field == "moves") return 0;  // an empty move list right after the side field
    start = end;
  }
  uint8_t lost = 0;
  const struct {
    char letter;
    int32_t bit;
  } corners[] = {{'Q', 1}, {'K', 2}, {'q', 4}, {'k', 5}};
  for (const auto& corner : corners) {
    if (field.find(corner.letter) == std::string::npos) lost |= uint8_t(1 << corner.bit);
  }
  return lost;
}

// The pieces beyond a side's first queen, two rooks, two bishops and two knights came from its
// pawns, so with the pawns left they number at most eight. More material than that no game can
// reach, and it would take the evaluation past the mate scores; within it, the static score stays
// well below them (a king with nine queens and every other piece is worth about 28,000).
bool HasMorePiecesThanPromotionsGive(const int32_t (&count)[8]) {
  const auto beyond = [](int32_t have, int32_t start) { return have > start ? have - start : 0; };
  return count[Pawn] + beyond(count[Queen], 1) + beyond(count[Rook], 2) + beyond(count[Bishop], 2) +
             beyond(count[Knight], 2) >
         8;
}

const char* BoardRefusal() {
  int32_t pieces[2][8] = {};
  for (int32_t square = 0; square < 120; ++square) {
    const BoardCell& cell = Board[square];
    if (!IsOnBoard(square) || cell.type == Empty) continue;
    ++pieces[cell.colour][0];
    ++pieces[cell.colour][cell.type];
    const int32_t rank = square >> 4;
    if (cell.type == Pawn && (rank == 0 || rank == 7)) return "a pawn on the first or last rank";
  }
  if (pieces[White][King] != 1 || pieces[Black][King] != 1) return "not exactly one king per side";
  if (pieces[White][0] > 16 || pieces[Black][0] > 16) return "more than 16 pieces of one side";
  if (HasMorePiecesThanPromotionsGive(pieces[White]) ||
      HasMorePiecesThanPromotionsGive(pieces[Black]))
    return "more pieces than promotions can give";
  return nullptr;
}

// Plays the words of the move list; stops at the first word that had to be refused.
void ApplyMoveList(const char* list) {
  std::string word;
  for (const char* c = list;; ++c) {
    if (*c == ' ' || *c == '\n' || *c == 0) {
      if (!word.empty() && ApplyMoveText(word.c_str()) < 0) return;
      word.clear();
      if (*c == 0) return;
    } else {
      word += *c;
    }
  }
}

// Builds the position in the globals; returns why it cannot be used, or null.
const char* BuildPosition(const char* argument) {
  const bool fromFen = StartsWithFen(argument);
  const char* fen = fromFen ? argument + 4 : StartText;
  const std::string work(fen, std::min(std::strlen(fen), WorkTextLimit));

  std::memset(GameLine, 0, sizeof GameLine);
  GameLine[RootSlot - 1] = LineEndRecord;
  CastlingRightsLost = fromFen ? RightsLostByFen(fen) : 0;
  SideToMove = RootSide = work.find(" b ") != std::string::npos ? Black : White;
  OtherSide = 1 - SideToMove;
  KeyCheck = SideToMove == Black ? SideWord(CheckBank) : 0;
  KeyIndex = SideToMove == Black ? SideWord(IndexBank) : 0;
  std::memset(Board, 0, sizeof Board);
  ParseBoard(work);
  if (const char* reason = BoardRefusal()) return reason;
  RebuildPieceLists();

  if (const char* moves = std::strstr(argument, "moves ")) {
    ApplyMoveList(moves + 6);
    RebuildPieceLists();
    if (const char* reason = BoardRefusal()) return reason;
  }
  if (IsAttacked(int8_t(SideToMove), PieceList[OtherSide][0].square)) {
    return "the side not to move is in check";
  }
  return nullptr;
}

// Set-up may come before the first "isready"; the keys and the attack test need their tables.
bool TablesReady() {
  if (KeyPool == nullptr) BuildKeyPool(KeyPoolBytes);
  if (AttackVectors == nullptr) BuildAttackVectors();
  return KeyPool != nullptr && AttackVectors != nullptr;
}
}  // namespace

void SavePosition(SavedPosition& saved) {
  std::memcpy(saved.board, Board, sizeof Board);
  std::memcpy(saved.pieceList, PieceList, sizeof PieceList);
  std::memcpy(saved.lastEntry, LastEntry, sizeof LastEntry);
  std::memcpy(saved.lastOfficer, LastOfficer, sizeof LastOfficer);
  std::memcpy(saved.gameLine, GameLine, sizeof GameLine);
  saved.pieceCount = PieceCount;
  saved.sideToMove = SideToMove;
  saved.otherSide = OtherSide;
  saved.rootSide = RootSide;
  saved.keyCheck = KeyCheck;
  saved.keyIndex = KeyIndex;
  saved.castlingRightsLost = CastlingRightsLost;
}

void RestorePosition(const SavedPosition& saved) {
  std::memcpy(Board, saved.board, sizeof Board);
  std::memcpy(PieceList, saved.pieceList, sizeof PieceList);
  std::memcpy(LastEntry, saved.lastEntry, sizeof LastEntry);
  std::memcpy(LastOfficer, saved.lastOfficer, sizeof LastOfficer);
  std::memcpy(GameLine, saved.gameLine, sizeof GameLine);
  PieceCount = saved.pieceCount;
  SideToMove = saved.sideToMove;
  OtherSide = saved.otherSide;
  RootSide = saved.rootSide;
  KeyCheck = saved.keyCheck;
  KeyIndex = saved.keyIndex;
  CastlingRightsLost = saved.castlingRightsLost;
  RebuildSquareSets();
}

void RebuildPieceLists() {
  PieceCount = 0;
  for (BoardCell& cell : Board) cell.listIndex = 16;
  for (int32_t colour = 0; colour < 2; ++colour) {
    LastEntry[colour] = LastOfficer[colour] = -1;
    for (PieceEntry& entry : PieceList[colour]) entry.type = Empty;
  }
  for (int8_t type = King; type <= Pawn; ++type) {
    if (type == Pawn) {
      LastOfficer[White] = LastEntry[White];
      LastOfficer[Black] = LastEntry[Black];
    }
    for (int32_t square = 0; square < 120; ++square) {
      BoardCell& cell = Board[square];
      if (!IsOnBoard(square) || cell.type != type) continue;
      const int32_t index = ++LastEntry[cell.colour];
      PieceList[cell.colour][index] = PieceEntry{square, type};
      cell.listIndex = int16_t(index);
      ++PieceCount;
    }
  }
  RebuildSquareSets();
}

void SquareSetsFromBoard(uint64_t (&sets)[2][8]) {
  for (auto& colourSets : sets)
    for (uint64_t& set : colourSets) set = 0;
  for (int32_t square = 0; square < 120; ++square) {
    const BoardCell& cell = Board[square];
    if (!IsOnBoard(square) || cell.type == Empty) continue;
    sets[cell.colour][cell.type] |= SquareMask(square);
    sets[cell.colour][0] |= SquareMask(square);
  }
}

void RebuildSquareSets() { SquareSetsFromBoard(SquareSets); }

int32_t SetPosition(const char* argument) {
  if (!TablesReady()) {
    WriteLine("info string position refused: tables could not be allocated");
    return 0;
  }
  static SavedPosition saved;
  SavePosition(saved);
  if (const char* reason = BuildPosition(argument)) {
    RestorePosition(saved);
    WriteLine("info string position refused: %s", reason);
    return 0;
  }
  return 1;
}
