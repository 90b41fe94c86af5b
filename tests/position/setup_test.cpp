#include <gtest/gtest.h>

#include <cstring>

#include "hash/hash.h"
#include "search/search.h"
#include "support/position_fixture.h"

namespace {
void ExpectEntry(int32_t colour, int32_t index, const char* square, int8_t type) {
  EXPECT_EQ(PieceList[colour][index].square, SquareOf(square)) << colour << "/" << index;
  EXPECT_EQ(PieceList[colour][index].type, type) << colour << "/" << index;
}

void ExpectKeysFromScratch() {
  uint32_t check, index;
  ComputeKeys(check, index);
  EXPECT_EQ(KeyCheck, check);
  EXPECT_EQ(KeyIndex, index);
}

bool SameLine(const Move* a, const Move* b, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (!SameMove(a[i], b[i])) return false;
  }
  return true;
}
}  // namespace

TEST(SetUp, StartPositionLists) {
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  const char* officers[2][8] = {{"e1", "d1", "a1", "h1", "c1", "f1", "b1", "g1"},
                                {"e8", "d8", "a8", "h8", "c8", "f8", "b8", "g8"}};
  const int8_t types[8] = {King, Queen, Rook, Rook, Bishop, Bishop, Knight, Knight};
  for (int32_t colour = 0; colour < 2; ++colour) {
    for (int32_t i = 0; i < 8; ++i) ExpectEntry(colour, i, officers[colour][i], types[i]);
    for (int32_t file = 0; file < 8; ++file) {
      const char square[3] = {char('a' + file), colour == White ? '2' : '7', 0};
      ExpectEntry(colour, 8 + file, square, Pawn);
    }
    EXPECT_EQ(LastOfficer[colour], 7);
    EXPECT_EQ(LastEntry[colour], 15);
  }
  EXPECT_EQ(PieceCount, 32);
  EXPECT_EQ(SideToMove, White);
  EXPECT_EQ(OtherSide, Black);
  EXPECT_EQ(RootSide, White);
  for (int32_t square = 0; square < 120; ++square) {
    if (Board[square].type != Empty) continue;
    EXPECT_EQ(Board[square].listIndex, 16) << square;
    EXPECT_EQ(Board[square].colour, 0) << square;
  }
  EXPECT_EQ(CastlingRightsLost, 0);
  ExpectKeysFromScratch();
  EXPECT_TRUE(PositionIsConsistent());
}

TEST(SetUp, AnyOtherArgumentGivesTheStartPosition) {
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  const PositionSnapshot start = TakeSnapshot();
  for (const char* argument : {"", "startpos ", "xyz", "fe n 8/8"}) {
    ASSERT_EQ(SetUpPosition(argument), 1) << argument;
    EXPECT_EQ(Difference(TakeSnapshot(), start), "") << argument;
  }
}

TEST(SetUp, MoveListFillsTheHistory) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4"), 1);
  EXPECT_EQ(SideToMove, Black);
  EXPECT_EQ(RootSide, Black);
  EXPECT_EQ(OtherSide, White);
  const Move& last = GameLine[103];
  EXPECT_EQ(last.to, 52);
  EXPECT_EQ(last.from, 20);
  EXPECT_EQ(last.kind, Normal);
  EXPECT_EQ(last.piece, Pawn);
  EXPECT_EQ(last.captured, Empty);
  EXPECT_TRUE(SameMove(GameLine[102], LineEndRecord));
  EXPECT_TRUE(SameMove(GameLine[0], LineEndRecord));
  ExpectKeysFromScratch();
}

TEST(SetUp, CapturedCellKeepsItsColour) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4 d7d5 e4d5"), 1);
  const int32_t e4 = SquareOf("e4");
  EXPECT_EQ(Board[e4].type, Empty);
  EXPECT_EQ(Board[e4].colour, Black);
  EXPECT_EQ(Board[e4].listIndex, 16);
  // The rebuild after the list compacts Black's pawns: 7 left, no hole.
  EXPECT_EQ(LastEntry[Black], 14);
  EXPECT_EQ(PieceCount, 31);
  EXPECT_TRUE(PositionIsConsistent());
}

TEST(SetUp, FenPrefixAnyCaseAndSideMarker) {
  ASSERT_EQ(SetUpPosition("FEN 8/8/8/8/8/8/8/K6k b - - 0 1"), 1);
  EXPECT_EQ(SideToMove, Black);
  ExpectEntry(White, 0, "a1", King);
  ExpectEntry(Black, 0, "h1", King);
  EXPECT_EQ(LastOfficer[White], 0);
  EXPECT_EQ(LastOfficer[Black], 0);
  EXPECT_EQ(PieceCount, 2);
  ExpectKeysFromScratch();

  ASSERT_EQ(SetUpPosition("fen 8/8/8/8/8/8/8/K6k B - - 0 1"), 1);
  EXPECT_EQ(SideToMove, White);
}

TEST(SetUp, BoardParseEdges) {
  // Digits 0 and 9 and stray characters are skipped; a digit may run into the next rank.
  ASSERT_EQ(SetUpPosition("fen 4k3/p8/7/09x8/8/8/8/4K3 w - - 0 1"), 1);
  EXPECT_EQ(Board[SquareOf("a7")].type, Pawn);
  EXPECT_EQ(Board[SquareOf("a7")].colour, Black);
  EXPECT_EQ(PieceCount, 3);
  // A short board takes the missing squares from what follows it: here the Q of the castling
  // field lands on h1.
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/8/K6 w Q"), 1);
  EXPECT_EQ(Board[SquareOf("h1")].type, Queen);
  EXPECT_EQ(Board[SquareOf("h1")].colour, White);
  // A text that ends early leaves the remaining squares empty.
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/8/K"), 1);
  EXPECT_EQ(PieceCount, 2);
  // Kings are listed first whatever order the FEN has.
  ASSERT_EQ(SetUpPosition("fen 8/8/8/8/8/8/PPPP4/QRBNK2k w - - 0 1"), 1);
  ExpectEntry(White, 0, "e1", King);
  ExpectEntry(White, 1, "a1", Queen);
  ExpectEntry(White, 2, "b1", Rook);
  ExpectEntry(White, 3, "c1", Bishop);
  ExpectEntry(White, 4, "d1", Knight);
  EXPECT_EQ(LastOfficer[White], 4);
  EXPECT_EQ(LastEntry[White], 8);
}

TEST(SetUp, FenFieldsBeyondTheBoardAreNotRead) {
  // The en-passant field is ignored: no capture on the first move, the clock starts at zero.
  ASSERT_EQ(SetUpPosition("fen rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 57 2"), 1);
  EXPECT_FALSE(HasMove(LegalMoves(), "e5d6"));
  EXPECT_EQ(ReversibleCount(-1), 0);
  // A move word played on top of it is trusted as en passant.
  ASSERT_EQ(
      SetUpPosition("fen rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2 moves e5d6"),
      1);
  EXPECT_EQ(GameLine[103].kind, EnPassant);
  EXPECT_EQ(Board[SquareOf("d5")].type, Empty);
  EXPECT_EQ(PieceCount, 31);
}

TEST(SetUp, MoveWordsMalformedOrEmptyAreSkipped) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4  e2e9 i2i4 e2 E7E5 e7e5\ng1f3 "), 1);
  EXPECT_EQ(Board[SquareOf("e4")].type, Pawn);
  EXPECT_EQ(Board[SquareOf("e5")].type, Pawn);
  EXPECT_EQ(Board[SquareOf("f3")].type, Knight);
  EXPECT_EQ(SideToMove, Black);
  EXPECT_EQ(GameLine[103].from, SquareOf("g1"));
  EXPECT_EQ(GameLine[100].kind, LineEnd);
  // A malformed word alone changes nothing at all, not even the side.
  ASSERT_EQ(SetUpPosition("startpos"), 1);
  const PositionSnapshot before = TakeSnapshot();
  EXPECT_EQ(ApplyMoveText("e2e9"), 0);
  EXPECT_EQ(ApplyMoveText(""), 0);
  EXPECT_EQ(ApplyMoveText("e2"), 0);
  EXPECT_EQ(Difference(TakeSnapshot(), before), "");
}

TEST(SetUp, RefusedPositionsKeepThePreviousOne) {
  ASSERT_EQ(SetUpPosition("startpos moves e2e4 c7c5 g1f3"), 1);
  const PositionSnapshot before = TakeSnapshot();
  Move line[GameLineSize];
  std::memcpy(line, GameLine, sizeof line);
  const uint8_t lost = CastlingRightsLost;
  const char* refused[] = {
      "fen 8/8/8/8/8/8/8/K7 w - - 0 1",                                // no black king
      "fen k7/8/8/8/8/8/8/KK6 w - - 0 1",                              // two white kings
      "fen k7/8/8/8/8/8/QQQQQQQQ/QQQQQQQK w - - 0 1",                  // 17 white pieces
      "fen k7/8/8/8/8/8/8/K3P3 w - - 0 1",                             // pawn on the first rank
      "fen k2p4/8/8/8/8/8/8/K7 w - - 0 1",                             // pawn on the last rank
      "fen k7/8/8/8/8/8/8/R6K w - - 0 1",                              // side not to move in check
      "fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 1 moves a1a2 e8e7 a2e2 e7e6",  // ... after the list
      "fen 4k3/8/8/8/8/8/3P4/4K3 b - - 0 1 moves e8e7 d2d1",  // pawn moved onto its first rank
  };
  for (const char* argument : refused) {
    std::string output;
    EXPECT_EQ(SetUpPosition(argument, &output), 0) << argument;
    EXPECT_EQ(output.rfind("info string position refused: ", 0), 0u) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_EQ(Difference(TakeSnapshot(), before), "") << argument;
    EXPECT_TRUE(SameLine(GameLine, line, GameLineSize)) << argument;
    EXPECT_EQ(CastlingRightsLost, lost);
    EXPECT_EQ(RootSide, Black);
  }
}

TEST(SetUp, UnplayableMoveWordStopsTheList) {
  struct Case {
    const char* argument;
    const char* word;
  } cases[] = {
      {"startpos moves e2e4 e3e4 g8f6", "e3e4"},                  // empty origin
      {"startpos moves e2e4 e4e5 g8f6", "e4e5"},                  // piece of the other side
      {"startpos moves d2d4 d8d7 g1f3", "d8d7"},                  // own piece on the destination
      {"fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 1 moves a1e8", "a1e8"},  // takes the king
      {"fen 4k3/8/8/8/8/8/8/R3K1NR w - - 0 1 moves e1g1 e8e7", "e1g1"},     // square occupied
      {"fen 4k3/8/8/8/8/8/8/4K2R w - - 0 1 moves e1c1 e8e7", "e1c1"},       // no rook on a1
      {"fen 4k3/8/8/8/8/8/8/4K2R w - - 0 1 moves e1e2 e8e7 e2g2", "e2g2"},  // not from home
      {"fen 4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1 moves e5f6 e8e7", "e5f6"},     // no pawn beside
      {"fen 4k3/8/8/8/8/8/8/R3K3 w - - 0 1 moves a1a8q e8e7", "a1a8q"},     // rook promoting
  };
  for (const Case& c : cases) {
    std::string output;
    ASSERT_EQ(SetUpPosition(c.argument, &output), 1) << c.argument;
    EXPECT_NE(output.find(std::string("move ") + c.word + " not played"), std::string::npos)
        << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_TRUE(PositionIsConsistent());
  }
  // The moves before the refused word stay played.
  ASSERT_EQ(SetUpPosition("startpos moves e2e4 e4e5 g8f6"), 1);
  EXPECT_EQ(SideToMove, Black);
  EXPECT_EQ(Board[SquareOf("g8")].type, Knight);
}

TEST(Notation, RecordsOfEachKind) {
  struct Case {
    const char* argument;
    const char* text;  // as written back
    uint8_t kind;
    int8_t piece, captured;
  } cases[] = {
      {"startpos moves e2e4", "e2e4", Normal, Pawn, Empty},
      {"fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8q", "a7a8q", Promotion, Queen, Empty},
      {"fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8n", "a7a8n", Promotion, Knight, Empty},
      {"fen r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7a8r", "b7a8r", Promotion, Rook, Rook},
      {"fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8", "a7a8q", Promotion, Queen, Empty},
      {"fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8x", "a7a8q", Promotion, Queen, Empty},
      {"fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8Q", "a7a8q", Promotion, Queen, Empty},
      {"fen 4k3/8/8/8/8/8/p7/4K3 b - - 0 1 moves a2a1b", "a2a1b", Promotion, Bishop, Empty},
      {"startpos moves e2e4q", "e2e4", Normal, Pawn, Empty},
      {"fen 4k3/8/8/8/8/8/8/R3K2R w - - 0 1 moves e1g1", "e1g1", CastleShort, King, Empty},
      {"fen 4k3/8/8/8/8/8/8/R3K2R w - - 0 1 moves e1c1", "e1c1", CastleLong, King, Empty},
      {"fen r3k2r/8/8/8/8/8/8/4K3 b - - 0 1 moves e8g8", "e8g8", CastleShort, King, Empty},
      {"fen r3k2r/8/8/8/8/8/8/4K3 b - - 0 1 moves e8c8", "e8c8", CastleLong, King, Empty},
      {"startpos moves e2e4 a7a6 e4e5 d7d5 e5d6", "e5d6", EnPassant, Pawn, Empty},
      {"fen 4k3/8/3n4/4P3/8/8/8/4K3 w - - 0 1 moves e5d6", "e5d6", Normal, Pawn, Knight},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(SetUpPosition(c.argument), 1) << c.argument;
    const Move& move = GameLine[103];
    EXPECT_STREQ(MoveToText(move), c.text) << c.argument;
    EXPECT_EQ(move.kind, c.kind) << c.argument;
    EXPECT_EQ(move.piece, c.piece) << c.argument;
    EXPECT_EQ(move.captured, c.captured) << c.argument;
    EXPECT_TRUE(PositionIsConsistent()) << c.argument;
  }
  EXPECT_STREQ(MoveToText(NullMoveRecord), "");
  EXPECT_STREQ(MoveToText(LineEndRecord), "");
  EXPECT_STREQ(MoveToText(Move{}), "");
}

TEST(Notation, CastlingAndPromotionOnTheBoard) {
  ASSERT_EQ(SetUpPosition("fen r3k3/8/8/8/8/8/8/4K2R w - - 0 1 moves e1g1 e8c8"), 1);
  EXPECT_EQ(Board[SquareOf("g1")].type, King);
  EXPECT_EQ(Board[SquareOf("f1")].type, Rook);
  EXPECT_EQ(Board[SquareOf("c8")].type, King);
  EXPECT_EQ(Board[SquareOf("d8")].type, Rook);
  // The final rebuild moves a promoted piece into the group of its type.
  ASSERT_EQ(SetUpPosition("fen 4k3/1P6/8/8/8/8/8/4K3 w - - 0 1 moves b7b8n"), 1);
  ExpectEntry(White, 1, "b8", Knight);
  EXPECT_EQ(LastOfficer[White], 1);
  EXPECT_EQ(LastEntry[White], 1);
}

TEST(Notation, HistoryWindowKeepsTheLast103Moves) {
  std::string argument = "startpos moves";
  const char* cycle[4] = {" g1f3", " g8f6", " f3g1", " f6g8"};
  for (int32_t i = 0; i < 104; ++i) argument += cycle[i % 4];
  ASSERT_EQ(SetUpPosition(argument), 1);
  EXPECT_TRUE(SameMove(GameLine[0], LineEndRecord));
  for (int32_t i = 1; i <= 103; ++i) EXPECT_NE(GameLine[i].kind, LineEnd) << i;
  // The oldest surviving record is the second move played.
  EXPECT_EQ(GameLine[1].from, SquareOf("g8"));
  EXPECT_EQ(ReversibleCount(-1), 103);
}

TEST(CastlingField, FenLettersKeepTheirCorners) {
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1"), 1);
  EXPECT_EQ(CastlingRightsLost, (1 << 1) | (1 << 5));  // a1 and h8
  auto moves = LegalMoves();
  EXPECT_TRUE(HasMove(moves, "e1g1"));
  EXPECT_FALSE(HasMove(moves, "e1c1"));
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1 moves a1b1"), 1);
  moves = LegalMoves();
  EXPECT_TRUE(HasMove(moves, "e8c8"));
  EXPECT_FALSE(HasMove(moves, "e8g8"));

  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1"), 1);
  EXPECT_EQ(CastlingRightsLost, (1 << 1) | (1 << 2) | (1 << 4) | (1 << 5));
  moves = LegalMoves();
  EXPECT_FALSE(HasMove(moves, "e1g1"));
  EXPECT_FALSE(HasMove(moves, "e1c1"));

  // No castling field at all: the history alone decides.
  for (const char* argument :
       {"fen r3k2r/8/8/8/8/8/8/R3K2R w", "fen r3k2r/8/8/8/8/8/8/R3K2R w moves"}) {
    ASSERT_EQ(SetUpPosition(argument), 1);
    EXPECT_EQ(CastlingRightsLost, 0);
    moves = LegalMoves();
    EXPECT_TRUE(HasMove(moves, "e1g1"));
    EXPECT_TRUE(HasMove(moves, "e1c1"));
  }
  // The start position keeps every right although its own text says "-".
  ASSERT_EQ(SetUpPosition("startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6"), 1);
  EXPECT_TRUE(HasMove(LegalMoves(), "e1g1"));
}
