// Evaluation. All positional knowledge is computed once per search from the root position into
// PieceSquare; inside the search a position is never evaluated from scratch: each move changes a
// running score by what EvaluateMove returns. Scores are in 1/256 pawn.
//
// Sign convention between evaluation and search:
//  1. Every search node carries moverEval, the evaluation of its position from the side that made
//     the last move (the side not to move there).
//  2. The root node gets moverEval = -RootScore (RootScore: PrepareEvaluation, side to move's
//  view).
//  3. A move is scored EvaluateMove() - moverEval before it is made; the child keeps that as its
//     own moverEval.
//  4. A null move hands -moverEval to the child, and its ply's PawnFiles record is a copy of the
//     previous ply's.
//  5. A node with no depth left stands pat on -moverEval.
#pragma once

#include <cstdint>

constexpr int32_t PieceValue[7] = {0, 4096, 2304, 1216, 776, 760, 256};
// A side mated at ply p scores p - MateScore; a score this far from zero or further is a mate.
constexpr int32_t MateScore = 32000;
constexpr int32_t MateThreshold = 31000;

// The root score last established by the search, from the side to move at the root; the trade
// bonus of a capture reads it.
extern int32_t RootScore;
constexpr int32_t CentreDistance[8] = {3, 2, 1, 0, 0, 1, 2, 3};
constexpr int32_t AdvanceWeight[8] = {0, 0, 0, 0, 1, 2, 4, 4};
constexpr int32_t PawnFileBonus[8] = {0, 0, 2, 5, 6, 2, 0, 0};
constexpr int32_t PawnRankBonus[8] = {0, 0, 0, 2, 4, 8, 30, 0};
constexpr int8_t PassedBonus[8] = {0, 0, 10, 20, 40, 60, 70, 0};
constexpr int16_t FileBit[8] = {1, 2, 4, 8, 16, 32, 64, 128};

constexpr auto BitCount = [] {
  struct Table {
    uint8_t count[256];
    constexpr uint8_t operator[](int i) const { return count[i]; }
  } table{};
  for (int i = 0; i < 256; ++i)
    for (int b = i; b; b >>= 1) table.count[i] += b & 1;
  return table;
}();
// The files of a file set with no neighbour in the set (isolated pawns).
constexpr auto IsolatedFiles = [] {
  struct Table {
    uint8_t files[256];
    constexpr uint8_t operator[](int i) const { return files[i]; }
  } table{};
  for (int i = 0; i < 256; ++i) table.files[i] = uint8_t(i & ~((i << 1) | (i >> 1)) & 0xFF);
  return table;
}();

// What a pawn file costs its side: isolated, doubled, and more when both.
constexpr int32_t IsolatedFilePenalty = 20, DoubledFilePenalty = 8, IsolatedDoubledPenalty = 40;
// What the path, not the squares, adds to a move: a capture's trade bonus, and castling.
constexpr int32_t TradeBonusValue = 16, ShortCastlingBonus = 32, LongCastlingBonus = 16;

// The penalty of one side's pawn files, indexed by a side's half of its pawn-file record (files |
// doubled << 8): IsolatedFilePenalty per isolated file, DoubledFilePenalty per doubled file and
// IsolatedDoubledPenalty more per file both isolated and doubled. One load answers what took four
// lookups and three multiplications; a search meets few pawn structures, so the entries it reads
// stay in the cache.
inline constexpr auto PawnFilePenalty = [] {
  struct Table {
    int16_t penalty[256 * 256];
    constexpr int32_t operator[](int i) const { return penalty[i]; }
  } table{};
  for (int doubled = 0; doubled < 256; ++doubled)
    for (int files = 0; files < 256; ++files) {
      const int isolated = IsolatedFiles[files];
      table.penalty[doubled << 8 | files] = int16_t(
          IsolatedFilePenalty * BitCount[isolated] + DoubledFilePenalty * BitCount[doubled] +
          IsolatedDoubledPenalty * BitCount[isolated & doubled]);
    }
  return table;
}();

// Values by [side][piece type][square], absolute squares for both sides; rebuilt at every root.
// Each entry is the whole worth of the piece there, its material value included, so that a
// capture reads one entry for what it takes (a move of the piece takes the difference of two).
// Rows of 128 squares and 8 types make an entry's offset two shifts, where 7 and 120 took a
// multiplication and four more instructions for every read of a move's evaluation.
extern int32_t PieceSquare[2][8][128];
// The highest value of each of those tables over the board, set with them: what a quiet move of
// a piece can gain at most, which lets the search skip moves futility pruning would drop unseen.
extern int32_t BestSquareValue[2][8];

// Pawn files per ply: the record of ply p describes the position after the move at ply p; the
// record of ply -1 is the root. Only which files hold pawns and which hold two or more are kept,
// enough for isolated and doubled pawns, and cheap to copy along the search line. Each side's
// files (low byte) and doubled files (high byte) share a 16-bit half, which is that side's index
// into PawnFilePenalty as it stands: a move changes one half without taking the record apart.
struct PawnFileRecord {
  uint16_t side[2];
  uint8_t Files(int32_t colour) const { return uint8_t(side[colour]); }
  uint8_t Doubled(int32_t colour) const { return uint8_t(side[colour] >> 8); }
};
static_assert(sizeof(PawnFileRecord) == 4, "one 4-byte record per ply");
extern PawnFileRecord PawnFileStore[64];
// PawnFiles[-1] is the root record, PawnFiles[62] the deepest.
inline PawnFileRecord* const PawnFiles = PawnFileStore + 1;

// Figures of the last PrepareEvaluation, kept for the "eval" command.
struct EvaluationFigures {
  int32_t materialTotal;
  int32_t materialBalance;
  int32_t gamePhase;
  int32_t losingSide;  // 0 or 1 in mop-up mode, 2 otherwise
};
extern EvaluationFigures LastEvaluation;

int32_t PrepareEvaluation();
int32_t EvaluateMove();
int32_t PawnPenalty(int32_t ply, int32_t side);

// The "eval" command: root score, figures and the side to move's piece-square grids.
void PrintEvaluation();

// Endgame data: mate distances for KQK, KRK and KPK from "Endgame.bin", loaded on first use.
constexpr uint32_t EndgameFileSize = 425984;
extern uint8_t* EndgameData;
extern uint8_t EndgameTryLoad;
// The verdict of the data on the move just made at `ply` (the mover still SideToMove): 1 with
// the mover's score in `score` (a draw, or a mate distance from the root), 0 when the data say
// nothing or are not there.
int32_t ProbeEndgame(int32_t ply, int16_t& score);
int32_t EndgameByte(uint32_t index, int8_t type);
uint8_t* ReadWholeFile(const char* name, uint32_t& size);
// When the working directory has no usable "Endgame.bin", the file is looked for beside the
// executable, then in ../share/quendal from there. Tests name a link that stands for the
// executable; null asks the system for the running one.
extern const char* EndgameExecutableLink;
