// The running score of the search never drifts from what the board holds: along random lines
// of play, the score carried from ply to ply by EvaluateMove and the sign convention must equal
// a fresh count of material, root piece-square values and pawn penalties, once the path bonuses
// (castling, trades) are taken out; and each ply's pawn-file record must describe the board.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "eval/eval.h"
#include "position/position.h"
#include "search/movegen.h"
#include "search/search.h"

namespace {

std::vector<Move> Generated;

struct CollectSink {
  static int32_t Try(SearchNode&) {
    Generated.push_back(*CurrentMove);
    return 0;
  }
};

bool MoverKingSafe(const Move& move) {
  MakeMove(move);
  const bool safe = !IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square);
  UnmakeMove(move);
  return safe;
}

// Every legal move of the side to move, through the search's own generators.
std::vector<Move> LegalMoves() {
  Generated.clear();
  SearchNode& node = NodeStack[Ply];
  GenerateAllMoves<CollectSink>(node);
  std::vector<Move> legal;
  for (const Move& move : Generated)
    if (MoverKingSafe(move)) legal.push_back(move);
  return legal;
}

bool IsSpecial(const Move& move) { return move.captured != Empty || move.kind != Normal; }

// The board counted afresh with the root's tables, from the view of `side`, with the pawn
// penalties of the record the search carries for this ply.
int32_t ScoreFromScratch(int32_t side, int32_t recordPly) {
  int32_t score = PawnPenalty(recordPly, 1 - side) - PawnPenalty(recordPly, side);
  for (int32_t q = 0; q < 120; ++q) {
    const BoardCell& cell = Board[q];
    if (!IsOnBoard(q) || cell.type == Empty) continue;
    const int32_t value = PieceValue[cell.type] + PieceSquare[cell.colour][cell.type][q];
    score += cell.colour == side ? value : -value;
  }
  return score;
}

// Files with pawns and files with two or more; false when some file holds three, which the
// records do not track.
bool PawnFilesFromScratch(PawnFileRecord& record) {
  int32_t count[2][8] = {};
  for (int32_t q = 0; q < 120; ++q)
    if (IsOnBoard(q) && Board[q].type == Pawn) ++count[Board[q].colour][q & 7];
  record = PawnFileRecord{};
  for (int32_t c = White; c <= Black; ++c)
    for (int32_t f = 0; f < 8; ++f) {
      if (count[c][f] >= 3) return false;
      if (count[c][f] >= 1) record.files[c] |= uint8_t(FileBit[f]);
      if (count[c][f] >= 2) record.doubled[c] |= uint8_t(FileBit[f]);
    }
  return true;
}

std::string Text(const PawnFileRecord& r) {
  char text[40];
  std::snprintf(text, sizeof text, "files %02x %02x doubled %02x %02x", r.files[0], r.files[1],
                r.doubled[0], r.doubled[1]);
  return text;
}

// What the path, not the position, adds for the mover: castling and the trade bonus.
int32_t PathBonus(const Move& move, int32_t mover) {
  int32_t bonus = move.kind == CastleShort ? 32 : move.kind == CastleLong ? 16 : 0;
  if (move.captured != Empty && PieceCount <= 11 && (RootScore > 192 || RootScore < -192)) {
    const bool aheadMoves = (RootScore > 0) == (mover == RootSide);
    bonus += (aheadMoves != (move.captured == Pawn)) ? 16 : -16;
  }
  return bonus;
}

void SwapSides() {
  SideToMove = OtherSide;
  OtherSide = 1 - SideToMove;
}

struct Coverage {
  int32_t plies = 0, captures = 0, enPassant = 0, promotions = 0, castlings = 0, nullMoves = 0,
          tradeBonuses = 0, recordChecks = 0;
};

class IncrementalScore : public ::testing::Test {
 protected:
  std::mt19937 random{20240607};
  Coverage seen;

  int32_t Pick(int32_t n) { return int32_t(random() % uint32_t(n)); }

  // One random line from the position just set up, checked at every ply.
  void PlayLine(const std::string& fen, int32_t length) {
    RootScore = PrepareEvaluation();
    ASSERT_EQ(RootScore, ScoreFromScratch(SideToMove, -1)) << fen;
    PawnFileRecord scratch;
    bool tracked = PawnFilesFromScratch(scratch);
    if (tracked) {
      ASSERT_EQ(Text(PawnFiles[-1]), Text(scratch)) << fen;
    }
    Ply = 0;
    CurrentMove = GameLine + RootSlot;
    int32_t moverEval = -RootScore;
    int32_t whiteBonus = 0;
    std::string line;
    for (; Ply < length; ++Ply, ++CurrentMove) {
      const std::vector<Move> moves = LegalMoves();
      if (moves.empty()) break;
      const int32_t mover = SideToMove;
      if (Pick(12) == 0 && CurrentMove[-1].kind != NullMove &&
          !IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square)) {
        *CurrentMove = NullMoveRecord;
        MakeMove(*CurrentMove);
        PawnFiles[Ply] = PawnFiles[Ply - 1];
        moverEval = -moverEval;
        ++seen.nullMoves;
        line += " null";
      } else {
        const Move move = Choose(moves);
        *CurrentMove = move;
        const int32_t bonus = PathBonus(move, mover);
        whiteBonus += mover == White ? bonus : -bonus;
        moverEval = EvaluateMove() - moverEval;
        MakeMove(*CurrentMove);
        Count(move, bonus);
        line += std::string(" ") + MoveToText(move);
      }
      SwapSides();
      ++seen.plies;
      const int32_t bonus = mover == White ? whiteBonus : -whiteBonus;
      ASSERT_EQ(moverEval, ScoreFromScratch(mover, Ply) + bonus) << fen << " moves" << line;
      tracked = tracked && PawnFilesFromScratch(scratch);
      if (tracked) {
        ++seen.recordChecks;
        ASSERT_EQ(Text(PawnFiles[Ply]), Text(scratch)) << fen << " moves" << line;
      }
    }
  }

  // Random, but leaning towards the moves that change the pawn files or add bonuses: captures,
  // promotions, castling, en passant and the double steps that allow it.
  Move Choose(const std::vector<Move>& moves) {
    std::vector<Move> special, doubleSteps;
    for (const Move& move : moves) {
      if (move.kind == EnPassant && Pick(4)) return move;
      if (IsSpecial(move)) special.push_back(move);
      if (move.piece == Pawn && (move.to - move.from == 32 || move.from - move.to == 32))
        doubleSteps.push_back(move);
    }
    if (!special.empty() && Pick(2)) return special[size_t(Pick(int32_t(special.size())))];
    if (!doubleSteps.empty() && Pick(3) == 0)
      return doubleSteps[size_t(Pick(int32_t(doubleSteps.size())))];
    return moves[size_t(Pick(int32_t(moves.size())))];
  }

  void Count(const Move& move, int32_t bonus) {
    seen.captures += move.captured != Empty;
    seen.enPassant += move.kind == EnPassant;
    seen.promotions += move.kind == Promotion;
    seen.castlings += move.kind == CastleShort || move.kind == CastleLong;
    seen.tradeBonuses += move.captured != Empty && bonus != 0;
  }
};

std::vector<std::string> SuiteFens() {
  std::ifstream file(std::string(QUENDAL_DATA_DIR) + "/perft-suite.epd");
  std::vector<std::string> fens;
  for (std::string text; std::getline(file, text);)
    if (!text.empty()) fens.push_back(text.substr(0, text.find(';')));
  return fens;
}

TEST_F(IncrementalScore, MatchesTheBoardAlongRandomLines) {
  const std::vector<std::string> suite = SuiteFens();
  ASSERT_GT(suite.size(), 100u);
  std::vector<std::string> roots;
  for (size_t i = 0; i < suite.size(); i += 2) roots.push_back(suite[i]);
  // Lopsided endings, so that the trade bonus (root score beyond 192, few pieces) shows up.
  roots.push_back("4k3/pp3ppp/8/8/8/8/PPP2PPP/R2QK2R w KQ - 0 1");
  roots.push_back("r3k3/2p5/8/3P4/8/8/1PP5/4K2R b q - 0 1");
  roots.push_back("4k3/1P6/8/8/3p4/8/2P1P3/4K3 w - - 0 1");
  for (const std::string& fen : roots)
    for (int32_t line = 0; line < 4; ++line) {
      ASSERT_EQ(SetPosition(("fen " + fen).c_str()), 1) << fen;
      PlayLine(fen, 30 + Pick(MaxPly - 29));  // up to the deepest ply the search uses
      if (HasFatalFailure()) return;
    }
  EXPECT_GT(seen.captures, 500);
  EXPECT_GT(seen.enPassant, 5);
  EXPECT_GT(seen.promotions, 20);
  EXPECT_GT(seen.castlings, 20);
  EXPECT_GT(seen.nullMoves, 100);
  EXPECT_GT(seen.tradeBonuses, 10);
  EXPECT_GT(seen.recordChecks, 1000);
}

}  // namespace
