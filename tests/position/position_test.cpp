// Set-up against the FEN the engine prints back, make/unmake against everything recomputed from
// scratch, the three attack tests against one another, and draws by rule.
#include <gtest/gtest.h>

#include <cstring>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/movegen.h"
#include "search/search.h"
#include "support/support.h"

namespace {
// Positions of every kind: the perft rows and random games from the start.
std::vector<std::string> Positions() {
  std::vector<std::string> positions = PerftPositions();
  std::mt19937 random(7);
  for (int32_t game = 0; game < 12; ++game)
    positions.push_back(RandomGame(random, "startpos", 20 + 10 * game));
  return positions;
}

void SwapSides() {
  SideToMove = OtherSide;
  OtherSide = 1 - SideToMove;
}
}  // namespace

TEST(SetUp, RowsPrintBackTheirFenOrAreRefused) {
  const std::vector<std::vector<std::string>> rows = ReadRows("setup.txt");
  ASSERT_GT(rows.size(), 50u);
  for (const auto& row : rows) {
    ASSERT_EQ(SetUpPosition("startpos moves e2e4 c7c5 g1f3"), 1);
    const PositionSnapshot before = TakeSnapshot();
    const std::string fenBefore = PrintedFen();
    Move line[GameLineSize];
    std::memcpy(line, GameLine, sizeof line);
    std::string output;
    const int32_t accepted = SetUpPosition(row[0], &output);
    EXPECT_EQ(output, row.size() > 2 ? row[2] + "\n" : "") << row[0];
    if (row[1] == "refused") {
      EXPECT_EQ(accepted, 0) << row[0];
      EXPECT_TRUE(TakeSnapshot() == before) << row[0];
      EXPECT_EQ(PrintedFen(), fenBefore) << row[0];
      EXPECT_EQ(std::memcmp(line, GameLine, sizeof line), 0) << row[0];
      EXPECT_EQ(RootSide, Black) << row[0];
    } else {
      EXPECT_EQ(accepted, 1) << row[0];
      EXPECT_EQ(PrintedFen(), row[1]) << row[0];
      EXPECT_EQ(RootSide, SideToMove) << row[0];
      EXPECT_TRUE(PositionIsConsistent()) << row[0];
    }
  }
}

namespace {
int32_t Faults;

void Fault(const std::string& what, const Move& move) {
  if (++Faults <= 5) ADD_FAILURE() << what << " " << MoveToText(move) << " at ply " << Ply;
}

// Every move two plies deep: made without keys it changes all but the keys as with them; made
// with keys it leads to the slot predicted before it, to keys, sets and lists that agree with a
// recount, to the legality worked out before it was made, and taken back it leaves no trace.
struct RoundTrip {
  static int32_t Try(SearchNode& node) {
    const Move move = *CurrentMove;
    const PositionSnapshot before = TakeSnapshot();
    uint32_t check = KeyCheck, index = KeyIndex;
    const HashEntry* predicted = SlotAfter(move);
    const int32_t mover = SideToMove, leavesKingAttacked = MoveLeavesKingAttacked(move);
    MakeMove<false>(move);
    const PositionSnapshot keyless = TakeSnapshot();  // with the keys of before the move
    UnmakeMove<false>(move);
    if (TakeSnapshot() != before) Fault("unmake without keys", move);
    MakeMove(move);
    std::swap(KeyCheck, check), std::swap(KeyIndex, index);
    if (TakeSnapshot() != keyless) Fault("make without keys", move);
    std::swap(KeyCheck, check), std::swap(KeyIndex, index);
    if (move.kind == Normal && predicted != TableSlot()) Fault("slot predicted", move);
    if ((move.kind == Normal || move.kind == Promotion) &&
        leavesKingAttacked != IsAttacked(int8_t(OtherSide), PieceList[mover][0].square))
      Fault("legality before making", move);
    SwapSides();
    if (!PositionIsConsistent()) Fault("recount after", move);
    if (node.depth > 1 && Faults == 0) Deeper(node.depth - 1);
    SwapSides();
    UnmakeMove(move);
    if (TakeSnapshot() != before || !PositionIsConsistent()) Fault("unmake of", move);
    return Faults > 0;
  }
  // Each node also compares the attacked squares of both colours (whole lines of the square sets)
  // with the attack test (candidates and the squares between), and the null move with a recount.
  // (The square sets' slider tables are checked against walks along the rays at compile time.)
  static void Deeper(int32_t depth) {
    for (const int32_t colour : {White, Black}) {
      const uint64_t attacked = AttackedSquares(ReadAttackerSets(colour), Occupied());
      for (int32_t bit = 0; bit < 64; ++bit)
        if ((attacked >> bit & 1) != uint64_t(IsAttacked(int8_t(colour), BitSquare(bit)) != 0))
          Fault("attacked squares at " + std::to_string(BitSquare(bit)), CurrentMove[0]);
    }
    ++Ply, ++CurrentMove;
    NodeStack[Ply].depth = int16_t(depth);
    const PositionSnapshot before = TakeSnapshot();
    const HashEntry* predicted = SlotAfter(NullMoveRecord);
    MakeMove(NullMoveRecord);
    SwapSides();
    if (predicted != TableSlot() || !PositionIsConsistent()) Fault("null move", NullMoveRecord);
    SwapSides();
    UnmakeMove(NullMoveRecord);
    if (TakeSnapshot() != before) Fault("null move back", NullMoveRecord);
    GenerateAllMoves<RoundTrip>(NodeStack[Ply]);
    --Ply, --CurrentMove;
  }
};
}  // namespace

TEST(Moves, TwoPliesDeepEverythingAgreesWithARecount) {
  PrepareTables(3);
  Faults = 0;
  for (const std::string& position : Positions()) {
    ASSERT_EQ(SetUpPosition(position), 1) << position;
    Ply = -1;
    CurrentMove = GameLine + RootSlot - 1;
    RoundTrip::Deeper(2);
    ASSERT_EQ(Faults, 0) << position;
  }
  PrepareTables(1);
}

// Every legal move printed and read back as a move word is the same move: printer and reader
// agree on squares, castling, en passant and every promotion letter.
TEST(Notation, EveryLegalMovePrintedAndReadBackIsTheSameMove) {
  for (const std::string& position : Positions()) {
    ASSERT_EQ(SetUpPosition(position), 1) << position;
    Ply = 0, CurrentMove = GameLine + RootSlot;
    for (const Move& move : MoveRecords(true)) {
      const std::string word = MoveToText(move);
      std::string output;
      ASSERT_EQ(SetUpPosition(WithMove(position, word), &output), 1) << position;
      EXPECT_TRUE(output.empty() && SameMove(GameLine[RootSlot - 1], move))
          << position << " " << word;
      SetUpPosition(position);
    }
  }
}

// Moves of the search line are played as the search plays them and asked whether they draw.
TEST(Draws, RowsOfRepetitionsAndTheFiftyMoveRule) {
  for (const auto& row : ReadRows("draws.txt")) {
    ASSERT_EQ(SetUpPosition(row[0]), 1) << row[0];
    const std::vector<std::string> moves = Words(row[1]);
    std::string drawn;
    for (Ply = 0; Ply < int32_t(moves.size()); ++Ply) {
      CurrentMove = GameLine + RootSlot + Ply;
      const int32_t from = SquareOf(moves[Ply]), to = SquareOf(moves[Ply].substr(2));
      *CurrentMove = moves[Ply] == "0000" ? NullMoveRecord
                                          : Move{int16_t(to), int16_t(from), Normal,
                                                 Board[from].type, Board[to].type};
      MakeMove(*CurrentMove);
      drawn += std::string(drawn.empty() ? "" : " ") + (CheckDraw(NodeStack[Ply]) ? "1" : "0");
      SwapSides();
    }
    EXPECT_EQ(drawn, row[2]) << row[0] << " | " << row[1];
  }
  Ply = 0;
}
