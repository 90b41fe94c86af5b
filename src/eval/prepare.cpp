// Root preprocessing: the whole positional judgement of a search is made here, once, from the
// root position, and folded into PieceSquare so that a move costs a few table reads later on.
#include <algorithm>
#include <cassert>

#include "eval/eval.h"
#include "position/position.h"

namespace {

// Working data of one preparation. Plain file-wide arrays rather than locals because several
// short steps fill and read them in turn; each call zeroes them first, so nothing of an earlier
// root leaks into the next one.
//   SquareWeight[s][q]        what it is worth to side s for a piece to bear on square q
//   SliderReach[s][row][q]    worth of the four orthogonal (row 0) or diagonal (row 1) lines
//                             leaving q
//   PawnRows[s][k]            file bits of s's pawns on relative rank k; entry 8 stays 0 so
//                             that the rank above the seventh can be read without a test
int32_t SquareWeight[2][120];
int32_t SliderReach[2][2][120];
int32_t PawnRows[2][9];
int32_t MaterialTotal;
int32_t MaterialBalance;
int32_t GamePhase;
int32_t LosingSide;

constexpr int32_t RookRow = 0, BishopRow = 1;
constexpr int32_t NoLosingSide = 2;

int32_t FileOf(int32_t square) { return square & 7; }
int32_t RankOf(int32_t square) { return square >> 4; }
int32_t RelativeRank(int32_t side, int32_t square) {
  return side == White ? RankOf(square) : 7 - RankOf(square);
}
int32_t CentreSum(int32_t square) {
  return CentreDistance[FileOf(square)] + CentreDistance[RankOf(square)];
}
int32_t KingSquare(int32_t side) { return PieceList[side][0].square; }
int32_t Absolute(int32_t value) { return value < 0 ? -value : value; }

void ClearWorkingData() {
  for (auto& side : SquareWeight)
    for (auto& weight : side) weight = 0;
  for (auto& side : SliderReach)
    for (auto& row : side)
      for (auto& reach : row) reach = 0;
  for (auto& side : PawnRows)
    for (auto& rank : side) rank = 0;
  MaterialTotal = MaterialBalance = GamePhase = 0;
  LosingSide = NoLosingSide;
}

void CountMaterial() {
  for (int32_t q = 0; q < 120; ++q) {
    const BoardCell& cell = Board[q];
    if (!IsOnBoard(q) || cell.type < Queen || cell.type > Pawn) continue;
    MaterialTotal += PieceValue[cell.type];
    MaterialBalance += cell.colour == White ? PieceValue[cell.type] : -PieceValue[cell.type];
  }
}

void SetGamePhase() { GamePhase = MaterialTotal >= 8192 ? (MaterialTotal - 8192) >> 8 : 0; }

// A side with no more than two minor pieces' worth against a clear material deficit can only
// be hunted down: its pieces stop mattering and the kings take over.
void TestMopUp() {
  const int32_t balance = Absolute(MaterialBalance);
  const int32_t weaker = (MaterialTotal - balance) / 2;
  if (weaker <= 2 * PieceValue[Bishop] && balance >= PieceValue[Rook] - PieceValue[Bishop])
    LosingSide = MaterialBalance >= 0 ? Black : White;
}

void WeighSquares() {
  for (int32_t r = 0; r < 8; ++r)
    for (int32_t f = 0; f < 8; ++f) {
      const int32_t centre = 8 - 3 * (CentreDistance[f] + CentreDistance[r]);
      const int32_t w = (centre > 0 ? centre : 0) + ((3 * GamePhase + 24) * AdvanceWeight[r]) / 32;
      SquareWeight[White][r * 16 + f] = w;
      SquareWeight[Black][(r * 16 + f) ^ 0x70] = w;
    }
}

void WeighKingZones() {
  if (GamePhase == 0) return;
  for (int32_t s = White; s <= Black; ++s)
    for (int32_t d = 0; d < 8; ++d) {
      const int32_t t = KingSquare(1 - s) + Directions[d];
      if (t >= 0 && IsOnBoard(t)) SquareWeight[s][t] += (3 * GamePhase + 24) / 8;
    }
}

// A ray counts in full up to the first piece that is not a partner on the same line (own row
// type or queen); beyond it, at half. A pawn ends the ray.
int32_t RaySum(int32_t side, int32_t row, int32_t origin, int32_t step) {
  const int8_t rowType = row == RookRow ? Rook : Bishop;
  int32_t sum = 0;
  bool clear = true;
  for (int32_t t = origin + step; IsOnBoard(t); t += step) {
    sum += clear ? SquareWeight[side][t] : SquareWeight[side][t] / 2;
    const int8_t type = Board[t].type;
    if (type != Empty && type != rowType && type != Queen) clear = false;
    if (type == Pawn) break;
  }
  return sum;
}

void MeasureSliderLines() {
  for (int32_t q = 0; q < 120; ++q) {
    if (!IsOnBoard(q)) continue;
    for (int32_t s = White; s <= Black; ++s)
      for (int32_t d = 0; d < 8; ++d) {
        const int32_t row = d < 4 ? RookRow : BishopRow;
        SliderReach[s][row][q] += RaySum(s, row, q, Directions[d]) / 4;
      }
  }
}

int32_t MopUpValue(int32_t side, int8_t type, int32_t q) {
  const int32_t f = FileOf(q), r = RankOf(q);
  if (type != King) return 0;
  if (side == LosingSide)
    return 128 - 12 * CentreDistance[f] - 16 * CentreDistance[r] -
           (CentreDistance[r] == 3 ? 16 : 0);
  const int32_t k = KingSquare(LosingSide);
  const int32_t distance = Absolute(r - RankOf(k)) + Absolute(f - FileOf(k));
  return 128 - 4 * distance - (CentreDistance[r] > 1 || CentreDistance[f] == 3 ? 16 : 0);
}

int32_t KnightValue(int32_t side, int32_t q) {
  int32_t sum = 0;
  for (int32_t j = 8; j < 16; ++j)
    if (IsOnBoard(q + Directions[j])) sum += SquareWeight[side][q + Directions[j]];
  return sum / 2 - 3 * CentreSum(q);
}

int32_t OrdinaryValue(int32_t side, int8_t type, int32_t q) {
  switch (type) {
    case King:
      return GamePhase == 0 ? -2 * CentreSum(q) : 0;
    case Queen:
      return (SliderReach[side][RookRow][q] + SliderReach[side][BishopRow][q]) / 4;
    case Rook:
      return SliderReach[side][RookRow][q];
    case Bishop:
      return SliderReach[side][BishopRow][q];
    case Knight:
      return KnightValue(side, q);
    default: {
      const int32_t r = RelativeRank(side, q), f = FileOf(q);
      return (r + 2) * PawnFileBonus[f] + PawnRankBonus[r] - 12;
    }
  }
}

void FillPieceSquare() {
  for (int32_t q = 0; q < 120; ++q) {
    if (!IsOnBoard(q)) continue;
    for (int32_t s = White; s <= Black; ++s)
      for (int8_t type = King; type <= Pawn; ++type)
        PieceSquare[s][type][q] = PieceValue[type] + (LosingSide != NoLosingSide && type != Pawn
                                                          ? MopUpValue(s, type, q)
                                                          : OrdinaryValue(s, type, q));
  }
}

void CollectPawnRows() {
  for (int32_t q = 0; q < 120; ++q)
    if (IsOnBoard(q) && Board[q].type == Pawn) {
      const int32_t c = Board[q].colour;
      PawnRows[c][RelativeRank(c, q)] |= FileBit[FileOf(q)];
    }
}

void StoreRootPawnFiles() {
  for (int32_t c = White; c <= Black; ++c) {
    int32_t files = 0, doubled = 0;
    for (int32_t k = 1; k <= 6; ++k) {
      doubled |= files & PawnRows[c][k];
      files |= PawnRows[c][k];
    }
    PawnFiles[-1].side[c] = uint16_t(files | doubled << 8);
  }
}

int32_t PawnSupport(int32_t previous, int32_t current, int32_t next, int32_t bit) {
  const int32_t beside = (bit << 1) | (bit >> 1);
  int32_t v = current & beside ? 6 : previous & beside ? 3 : 0;
  if (next & (bit >> 1)) v += 3;
  if (next & (bit << 1)) v += 3;
  if (current & bit) v += 2;
  return v;
}

// Walks s's relative ranks upwards. Free keeps the files no own pawn has yet passed on the same
// or a neighbouring file, so an enemy pawn met on a free file is passed, and so would be an
// enemy pawn put on any free square; rooks of both sides like the squares behind a passer.
void ScorePawnStructure(int32_t s) {
  const int32_t e = 1 - s;
  int32_t free = 0xFF, passers = 0, previous = 0;
  for (int32_t i = 0; i < 8; ++i) {
    free &= ~(previous | (previous << 1) | (previous >> 1)) & 0xFF;
    passers |= free & PawnRows[e][7 - i];
    const int32_t current = PawnRows[s][i], next = PawnRows[s][i + 1];
    for (int32_t f = 0; f < 8; ++f) {
      const int32_t q = s == White ? i * 16 + f : (i * 16 + f) ^ 0x70;
      const int32_t bit = FileBit[f];
      PieceSquare[s][Pawn][q] += PawnSupport(previous, current, next, bit);
      if (free & bit) PieceSquare[e][Pawn][q] += PassedBonus[7 - i];
      if (passers & bit) {
        PieceSquare[White][Rook][q] += 16;
        PieceSquare[Black][Rook][q] += 16;
      }
    }
    previous = current;
  }
}

bool HasPawn(int32_t colour, int32_t square) {
  return Board[square].type == Pawn && Board[square].colour == colour;
}

// A centre pawn still at home walls in the bishop that would stand in front of it.
void PenaliseBlockedBishops() {
  constexpr int32_t D2 = 0x13, E2 = 0x14, D7 = 0x63, E7 = 0x64;
  if (HasPawn(White, D2)) PieceSquare[White][Bishop][D2 + 16] -= 20;
  if (HasPawn(White, E2)) PieceSquare[White][Bishop][E2 + 16] -= 20;
  if (HasPawn(Black, D7)) PieceSquare[Black][Bishop][D7 - 16] -= 20;
  if (HasPawn(Black, E7)) PieceSquare[Black][Bishop][E7 - 16] -= 20;
}

void FindBestSquareValues() {
  for (int32_t s = White; s <= Black; ++s)
    for (int8_t type = King; type <= Pawn; ++type) {
      int32_t best = INT32_MIN;
      for (int32_t q = 0; q < 120; ++q)
        if (IsOnBoard(q) && PieceSquare[s][type][q] > best) best = PieceSquare[s][type][q];
      BestSquareValue[s][type] = best;
    }
}

int32_t SumRootScore() {
  int32_t score = PawnPenalty(-1, OtherSide) - PawnPenalty(-1, SideToMove);
  for (int32_t q = 0; q < 120; ++q) {
    const BoardCell& cell = Board[q];
    if (!IsOnBoard(q) || cell.type == Empty) continue;
    const int32_t value = PieceSquare[cell.colour][cell.type][q];
    score += cell.colour == SideToMove ? value : -value;
  }
  return score;
}

// The most a side's static score can reach in a search from this root: every piece of the side
// on its best square (a pawn perhaps promoted to a queen there), the other king on its worst, the
// other side's pawn-file penalty at its largest on all eight files (isolated, doubled and both), a
// trade bonus for every capture and the castling bonus. Set-up refuses more material than
// promotions can give, which keeps it below the mate scores.
[[maybe_unused]] int32_t StaticScoreBound(int32_t side) {
  constexpr int32_t LargestFilePenalty =
      IsolatedFilePenalty + DoubledFilePenalty + IsolatedDoubledPenalty;
  int32_t bound = 8 * LargestFilePenalty + 16 * TradeBonusValue + ShortCastlingBonus;
  int32_t worstKing = INT32_MAX;
  for (int32_t q = 0; q < 120; ++q)
    if (IsOnBoard(q)) worstKing = std::min(worstKing, PieceSquare[1 - side][King][q]);
  bound -= worstKing;
  for (int32_t i = 0; i <= LastEntry[side]; ++i) {
    const int8_t type = PieceList[side][i].type;
    bound += type == Pawn ? std::max(BestSquareValue[side][Pawn], BestSquareValue[side][Queen])
                          : BestSquareValue[side][type];
  }
  return bound;
}

}  // namespace

int32_t PrepareEvaluation() {
  ClearWorkingData();
  CountMaterial();
  SetGamePhase();
  TestMopUp();
  WeighSquares();
  WeighKingZones();
  MeasureSliderLines();
  FillPieceSquare();
  CollectPawnRows();
  StoreRootPawnFiles();
  ScorePawnStructure(White);
  ScorePawnStructure(Black);
  PenaliseBlockedBishops();
  FindBestSquareValues();
  LastEvaluation = {MaterialTotal, MaterialBalance, GamePhase, LosingSide};
  assert(StaticScoreBound(White) < MateThreshold && StaticScoreBound(Black) < MateThreshold);
  return SumRootScore();
}
