// The running score of the search against a fresh count of the board, the figures of the
// evaluation against rows derived by hand, and the bound on static scores. (A term handled for
// one colour only changes the bench signature.)
#include "eval/eval.h"

#include <gtest/gtest.h>

#include "search/search.h"
#include "support/support.h"

namespace {
// The board counted afresh with the root's tables from `side`'s view, with the pawn penalties
// of the record the search carries for this ply.
int32_t CountFromScratch(int32_t side, int32_t recordPly) {
  int32_t score = PawnPenalty(recordPly, 1 - side) - PawnPenalty(recordPly, side);
  for (int32_t q = 0; q < 120; ++q) {
    const BoardCell& cell = Board[q];
    if (!IsOnBoard(q) || cell.type == Empty) continue;
    const int32_t value = PieceSquare[cell.colour][cell.type][q];
    score += cell.colour == side ? value : -value;
  }
  return score;
}

// Pawns on each file of each side, from the board or from a record (which follows files with
// one pawn and with two or more); empty when a file holds three.
std::string FileCounts(const PawnFileRecord* record) {
  int32_t count[2][8] = {};
  for (int32_t bit = 0; bit < 64; ++bit)
    if (Board[BitSquare(bit)].type == Pawn) ++count[Board[BitSquare(bit)].colour][bit & 7];
  std::string text;
  for (int32_t c = White; c <= Black; ++c)
    for (int32_t f = 0; f < 8; ++f) {
      const int32_t n =
          record ? (record->Doubled(c) >> f & 1) + (record->Files(c) >> f & 1) : count[c][f];
      if (n >= 3) return "";
      text += char('0' + n);
    }
  return text;
}

// What the path, not the position, adds for the mover: castling and the trade bonus.
int32_t PathBonus(const Move& move, int32_t mover) {
  int32_t bonus = move.kind == CastleShort ? 32 : move.kind == CastleLong ? 16 : 0;
  if (move.captured != Empty && PieceCount <= 11 && (RootScore > 192 || RootScore < -192)) {
    const bool aheadMoves = (RootScore > 0) == (mover == RootSide);
    bonus += aheadMoves != (move.captured == Pawn) ? 16 : -16;
  }
  return bonus;
}

// One random line from the position set up, as deep as the search goes, checked at every ply.
// Null moves come now and then; captures, promotions, castling and en passant are preferred.
void PlayLine(std::mt19937& random, const std::string& position, std::map<std::string, int>& seen) {
  RootScore = PrepareEvaluation();
  ASSERT_EQ(RootScore, CountFromScratch(SideToMove, -1)) << position;
  bool followed = !FileCounts(nullptr).empty();
  if (followed) {
    ASSERT_EQ(FileCounts(&PawnFiles[-1]), FileCounts(nullptr)) << position;
  }
  int32_t moverEval = -RootScore, whiteBonus = 0;
  std::string line;
  for (Ply = 0, CurrentMove = GameLine + RootSlot; Ply < 62; ++Ply, ++CurrentMove) {
    const std::vector<Move> moves = MoveRecords(true);
    if (moves.empty()) break;
    const int32_t mover = SideToMove;
    if (random() % 12 == 0 && CurrentMove[-1].kind != NullMove &&
        !IsAttacked(int8_t(OtherSide), PieceList[SideToMove][0].square)) {
      *CurrentMove = NullMoveRecord;
      PawnFiles[Ply] = PawnFiles[Ply - 1];
      moverEval = -moverEval;
      ++seen["null"];
    } else {
      std::vector<Move> special;
      for (const Move& m : moves)
        if (m.captured != Empty || m.kind != Normal) special.push_back(m);
      *CurrentMove = !special.empty() && random() % 2 ? special[random() % special.size()]
                                                      : moves[random() % moves.size()];
      const int32_t bonus = PathBonus(*CurrentMove, mover);
      whiteBonus += mover == White ? bonus : -bonus;
      moverEval = EvaluateMove() - moverEval;
      ++seen[std::to_string(CurrentMove->kind)];
      if (CurrentMove->captured != Empty && bonus != 0) ++seen["trade"];
    }
    MakeMove(*CurrentMove);
    SideToMove = OtherSide, OtherSide = mover;
    line += std::string(" ") + (CurrentMove->kind == NullMove ? "0000" : MoveToText(*CurrentMove));
    ASSERT_EQ(moverEval, CountFromScratch(mover, Ply) + (mover == White ? whiteBonus : -whiteBonus))
        << position << " then" << line;
    followed = followed && !FileCounts(nullptr).empty();
    if (followed) {
      ASSERT_EQ(FileCounts(&PawnFiles[Ply]), FileCounts(nullptr)) << position << line;
    }
  }
}

TEST(IncrementalScore, MatchesAFreshCountAlongRandomLines) {
  std::mt19937 random(20240607);
  std::vector<std::string> roots = PerftPositions();
  for (int32_t game = 0; game < 10; ++game)
    roots.push_back(RandomGame(random, "startpos", 8 * game));
  // Lopsided endings, so that the trade bonus (root score beyond 192, few pieces) shows up.
  roots.push_back("fen 4k3/pp3ppp/8/8/8/8/PPP2PPP/R2QK2R w KQ - 0 1");
  roots.push_back("fen r3k3/2p5/8/3P4/8/8/1PP5/4K2R b q - 0 1");
  roots.push_back("fen 4k3/1P6/8/8/3p4/8/2P1P3/4K3 w - - 0 1");
  std::map<std::string, int> seen;
  for (const std::string& root : roots)
    for (int32_t line = 0; line < 4; ++line) {
      ASSERT_EQ(SetUpPosition(root), 1) << root;
      PlayLine(random, root, seen);
      if (HasFatalFailure()) return;
    }
  // Every kind of move was met, and the trade bonus too.
  for (const char* kind : {"null", "0", "1", "2", "4", "8", "trade"})
    EXPECT_GT(seen[kind], 0) << kind;
}

// Rows a reader can check by hand against the rules of the evaluation (comments in the file).
TEST(Evaluation, RowsCheckedByHand) {
  for (const auto& row : ReadRows("eval.txt")) {
    ASSERT_EQ(SetUpPosition(row[0]), 1) << row[0];
    RootScore = PrepareEvaluation();
    const EvaluationFigures& f = LastEvaluation;
    std::string got = std::to_string(f.materialTotal) + " " + std::to_string(f.materialBalance) +
                      " " + std::to_string(f.gamePhase) + " " + std::to_string(f.losingSide) + " " +
                      std::to_string(RootScore);
    Ply = 0, CurrentMove = GameLine + RootSlot;
    for (const Move& move : MoveRecords(true))
      if (row[1] == MoveToText(move)) *CurrentMove = move, got = std::to_string(EvaluateMove());
    EXPECT_EQ(got, row[2]) << row[0] << " | " << row[1];
  }
}
}  // namespace

namespace {
// Set-up refuses more material than promotions can give; on the most it accepts, the debug
// build's bound on every static score of a search (at the end of PrepareEvaluation) holds.
TEST(Evaluation, MostMaterialAGameCanReachStaysBelowTheMateScores) {
  for (const char* board : {"fen 7k/8/8/8/8/2QQQQQQ/QQQRRBBN/NK6 b - - 0 1",
                            "fen 7k/6rb/8/8/8/2QQQQQQ/QQQRRBBN/NK6 w - - 0 1",
                            "fen 7k/pppppppp/8/8/8/2QQQQQQ/QQQRRBBN/NK6 b - - 0 1"}) {
    ASSERT_EQ(SetUpPosition(board), 1) << board;
    EXPECT_LT(std::abs(PrepareEvaluation()), MateThreshold) << board;
  }
}
}  // namespace
