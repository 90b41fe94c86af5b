#include "search/movegen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/search.h"
#include "support/position_fixture.h"

namespace {
std::vector<std::string> Produced;
int32_t StopAfter;  // Try answers 1 once this many moves were produced (0: never)

// Records every pseudo-legal move as it is handed over.
struct RecordSink {
  static int32_t Try(SearchNode&) {
    Produced.push_back(MoveToText(*CurrentMove));
    return StopAfter != 0 && int32_t(Produced.size()) >= StopAfter;
  }
};

SearchNode& Root() {
  Produced.clear();
  StopAfter = 0;
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  return NodeStack[0];
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find(' ', start), text.size());
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}
}  // namespace

TEST(Generators, PromotionsQueenFirstKnightLast) {
  ASSERT_EQ(SetUpPosition("fen 1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1"), 1);
  SearchNode& node = Root();
  GenerateCapturesOf<RecordSink>(node, SquareOf("b8"));
  EXPECT_EQ(Produced, Words("a7b8q a7b8r a7b8b a7b8n"));
  EXPECT_EQ(CurrentMove->kind, Normal);
  Root();
  GenerateQuietMoves<RecordSink>(node, SquareOf("a7"));
  EXPECT_EQ(Produced, Words("a7a8q a7a8r a7a8b a7a8n"));
  // A cutoff ends the generator at once.
  Root();
  StopAfter = 2;
  EXPECT_EQ(GenerateQuietMoves<RecordSink>(node, SquareOf("a7")), 1);
  EXPECT_EQ(Produced.size(), 2u);
}

TEST(Generators, CapturesPawnsFirstThenOfficersFromTheEndOfTheList) {
  ASSERT_EQ(SetUpPosition("fen 4k1B1/8/8/3p4/2P1P3/4N3/8/3QK3 w - - 0 1"), 1);
  SearchNode& node = Root();
  EXPECT_EQ(GenerateCapturesOf<RecordSink>(node, SquareOf("d5")), 0);
  EXPECT_EQ(Produced, Words("c4d5 e4d5 e3d5 g8d5 d1d5"));
}

TEST(Generators, QuietMovesInOrder) {
  ASSERT_EQ(SetUpPosition("fen 4k3/8/8/8/8/8/1P6/R3K1N1 w - - 0 1"), 1);
  SearchNode& node = Root();
  GenerateQuietMoves<RecordSink>(node, SquareOf("a1"));
  EXPECT_EQ(Produced, Words("a1a2 a1a3 a1a4 a1a5 a1a6 a1a7 a1a8 a1b1 a1c1 a1d1"));
  Root();
  GenerateQuietMoves<RecordSink>(node, SquareOf("g1"));
  EXPECT_EQ(Produced, Words("g1h3 g1f3 g1e2"));
  Root();
  GenerateQuietMoves<RecordSink>(node, SquareOf("b2"));
  EXPECT_EQ(Produced, Words("b2b3 b2b4"));
  Root();
  GenerateQuietMoves<RecordSink>(node, SquareOf("e1"));
  EXPECT_EQ(Produced, Words("e1d2 e1f2 e1e2 e1d1 e1f1"));
}

TEST(Generators, EnPassantAfterADoubleStepOnly) {
  ASSERT_EQ(SetUpPosition("fen 4k3/3p4/8/2P1P3/8/8/8/4K3 b - - 0 1 moves d7d5"), 1);
  SearchNode& node = Root();
  GenerateEnPassant<RecordSink>(node);
  EXPECT_EQ(Produced, Words("c5d6 e5d6"));
  EXPECT_TRUE(HasMove(LegalMoves(), "c5d6"));
  // One move later the chance is gone.
  ASSERT_EQ(SetUpPosition("fen 4k3/3p4/8/2P1P3/8/8/8/4K3 b - - 0 1 moves d7d5 e1e2 e8e7"), 1);
  Root();
  GenerateEnPassant<RecordSink>(node);
  EXPECT_TRUE(Produced.empty());
  EXPECT_FALSE(HasMove(LegalMoves(), "c5d6"));
  // A single step twice is no double step.
  ASSERT_EQ(SetUpPosition("fen 4k3/3p4/8/2P1P3/8/8/8/4K3 b - - 0 1 moves d7d6 e1e2 d6d5"), 1);
  EXPECT_FALSE(HasMove(LegalMoves(), "c5d6"));
}

TEST(Castling, Conditions) {
  const char* open = "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  ASSERT_EQ(SetUpPosition(open), 1);
  SearchNode& node = Root();
  GenerateCastling<RecordSink>(node);
  EXPECT_EQ(Produced, Words("e1g1 e1c1"));
  struct Case {
    const char* argument;
    const char* expected;
  } cases[] = {
      {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves a1b1 e8d8 b1a1 d8e8", "e1g1"},
      {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1e2 e8d8 e2e1 d8e8", ""},
      {"fen r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", "e1g1"},  // b1 occupied
      {"fen r3k2r/8/8/8/8/8/8/R3KB1R w KQkq - 0 1", "e1c1"},  // f1 occupied
      {"fen r3k2r/8/8/8/8/8/8/R3K1NR w KQkq - 0 1", "e1c1"},  // g1 occupied
      {"fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves h1h2 e8d8 h2h1 d8e8", "e1c1"},
      {"fen r2rk3/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1"},  // d1 attacked
      {"fen r3kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1c1"},  // f1 attacked
      {"fen r3k3/8/8/8/8/8/8/R3K2R w KQ - 0 1 moves a1a2 a8a7 a2a1 a7a8", "e1g1"},
      {"fen 4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1 moves e1f1 e8e7", ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(SetUpPosition(c.argument), 1) << c.argument;
    Root();
    GenerateCastling<RecordSink>(node);
    EXPECT_EQ(Produced, Words(c.expected)) << c.argument;
  }
  // In check: no castling at all; the destination is left to the legality test.
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/4r3/R3K2R w KQ - 0 1"), 1);
  Root();
  GenerateCastling<RecordSink>(node);
  EXPECT_TRUE(Produced.empty());
  ASSERT_EQ(SetUpPosition("fen r3k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1"), 1);
  Root();
  GenerateCastling<RecordSink>(node);
  EXPECT_EQ(Produced, Words("e1g1 e1c1"));
  EXPECT_FALSE(HasMove(LegalMoves(), "e1g1"));
  // A move of the search line counts like a played one.
  ASSERT_EQ(SetUpPosition(open), 1);
  Root();
  GameLine[RootSlot] = Move{int16_t(SquareOf("h2")), int16_t(SquareOf("h1")), Normal, Rook, 0};
  GameLine[RootSlot + 1] = Move{int16_t(SquareOf("d8")), int16_t(SquareOf("e8")), Normal, King, 0};
  CurrentMove = GameLine + RootSlot + 2;
  EXPECT_EQ(IsUnmoved(SquareOf("h1"), Rook, White), 0);
  EXPECT_EQ(IsUnmoved(SquareOf("a1"), Rook, White), 1);
  CurrentMove = GameLine + RootSlot;
}

TEST(Castling, RightsOutsideTheHistoryWindow) {
  // The king's trip lies more than 103 plies back: the window no longer shows it.
  std::string argument = "fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves e1d1 e8d8 d1e1 d8e8";
  const char* dance[4] = {" a1b1", " a8b8", " b1a1", " b8a8"};
  for (int32_t i = 0; i < 120; ++i) argument += dance[i % 4];
  ASSERT_EQ(SetUpPosition(argument), 1);
  const std::vector<std::string> moves = LegalMoves();
  EXPECT_FALSE(HasMove(moves, "e1g1"));
  EXPECT_FALSE(HasMove(moves, "e1c1"));
  EXPECT_NE(CastlingRightsLost & 1, 0);
  // The rook dance itself also took a1's right away, but h1 stays untouched until then.
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1 moves a1b1 a8b8 b1a1 b8a8"), 1);
  EXPECT_TRUE(HasMove(LegalMoves(), "e1g1"));
  EXPECT_FALSE(HasMove(LegalMoves(), "e1c1"));
}

TEST(Castling, RookCapturedOnItsCornerAndReplaced) {
  const char* base = "fen 4k3/8/8/7R/8/8/5n2/4K2R b K - 0 1";
  ASSERT_EQ(SetUpPosition(std::string(base) + " moves e8d8"), 1);
  EXPECT_TRUE(HasMove(LegalMoves(), "e1g1"));
  ASSERT_EQ(SetUpPosition(std::string(base) + " moves f2h1 h5h1 e8d8"), 1);
  EXPECT_EQ(Board[SquareOf("h1")].type, Rook);
  EXPECT_FALSE(HasMove(LegalMoves(), "e1g1"));
  EXPECT_EQ(IsUnmoved(SquareOf("h1"), Rook, White), 0);
}

TEST(Killers, PlayableOnlyWhenTheBoardStillFits) {
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/n7/1P6/R3K2R w KQkq - 0 1"), 1);
  Root();
  struct Case {
    Move move;
    int32_t playable;
  } cases[] = {
      {{int16_t(SquareOf("h8")), int16_t(SquareOf("h1")), Normal, Rook, Rook}, 1},
      {{int16_t(SquareOf("h7")), int16_t(SquareOf("h1")), Normal, Rook, Empty}, 1},
      {{int16_t(SquareOf("h7")), int16_t(SquareOf("h1")), Normal, Rook, Knight}, 0},
      {{int16_t(SquareOf("a8")), int16_t(SquareOf("h1")), Normal, Rook, Rook}, 0},     // no line
      {{int16_t(SquareOf("a8")), int16_t(SquareOf("a1")), Normal, Rook, Rook}, 0},     // blocked
      {{int16_t(SquareOf("a3")), int16_t(SquareOf("b1")), Normal, Knight, Empty}, 0},  // gone
      {{int16_t(SquareOf("b4")), int16_t(SquareOf("b2")), Normal, Pawn, Empty}, 1},
      {{int16_t(SquareOf("a3")), int16_t(SquareOf("b2")), Normal, Pawn, Knight}, 1},
      {{int16_t(SquareOf("g1")), int16_t(SquareOf("e1")), CastleShort, King, Empty}, 1},
      {{int16_t(SquareOf("c1")), int16_t(SquareOf("e1")), CastleLong, King, Empty}, 1},
      {{int16_t(SquareOf("d6")), int16_t(SquareOf("e5")), EnPassant, Pawn, Empty}, 0},
      {NullMoveRecord, 0},
  };
  for (const Case& c : cases) {
    *CurrentMove = c.move;
    EXPECT_EQ(IsKillerPlayable(), c.playable) << MoveToText(c.move);
  }
  // A blocked two-step push and a blocked slide.
  ASSERT_EQ(SetUpPosition("fen r3k2r/8/8/8/8/1n6/1P6/R1N1K2R w KQkq - 0 1"), 1);
  Root();
  *CurrentMove = Move{int16_t(SquareOf("b4")), int16_t(SquareOf("b2")), Normal, Pawn, Empty};
  EXPECT_EQ(IsKillerPlayable(), 0);
  *CurrentMove = Move{int16_t(SquareOf("d1")), int16_t(SquareOf("a1")), Normal, Rook, Empty};
  EXPECT_EQ(IsKillerPlayable(), 0);
  *CurrentMove = Move{int16_t(SquareOf("c1")), int16_t(SquareOf("e1")), CastleLong, King, Empty};
  EXPECT_EQ(IsKillerPlayable(), 0);
}

namespace {
// The captures of one target as a plain scan of the piece list gives them: the side's pawns, lower
// file first, then every officer entry from the last to the king that attacks the target.
std::vector<std::string> ScannedCaptures(int32_t target) {
  std::vector<std::string> moves;
  const int32_t side = SideToMove;
  Move move{int16_t(target), 0, Normal, Pawn, Board[target].type};
  for (const int32_t from : {target - PawnAdvance[side] - 1, target - PawnAdvance[side] + 1}) {
    if (!IsOnBoard(from) || !HoldsPiece(from, Pawn, side)) continue;
    move.from = int16_t(from);
    if (target < 8 || target > 0x6F) {
      move.kind = Promotion;
      for (const int8_t type : {Queen, Rook, Bishop, Knight}) {
        move.piece = type;
        moves.push_back(MoveToText(move));
      }
      move.kind = Normal;
      move.piece = Pawn;
    } else {
      moves.push_back(MoveToText(move));
    }
  }
  for (int32_t i = LastOfficer[side]; i >= 0; --i) {
    const PieceEntry entry = PieceList[side][i];
    if (entry.type == Empty || entry.type == Pawn) continue;
    if (!PieceAttacks(entry.type, entry.square, target)) continue;
    move.from = int16_t(entry.square);
    move.piece = entry.type;
    moves.push_back(MoveToText(move));
  }
  return moves;
}

// Every enemy piece as a target: the generator must give the scan's moves in the scan's order.
void ExpectCapturesInListOrder() {
  const int32_t enemy = OtherSide;
  for (int32_t i = 0; i <= LastEntry[enemy]; ++i) {
    const PieceEntry entry = PieceList[enemy][i];
    if (entry.type == Empty) continue;
    SearchNode& node = Root();
    GenerateCapturesOf<RecordSink>(node, entry.square);
    EXPECT_EQ(Produced, ScannedCaptures(entry.square)) << "target " << entry.square;
  }
}
}  // namespace

TEST(Generators, CapturesComeInPieceListOrder) {
  for (const char* fen :
       {"fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "fen 4k1B1/8/8/3p4/2P1P3/4N3/8/3QK3 w - - 0 1",
        "fen 1r2k3/P5q1/8/3n4/8/1B6/8/R3K2Q w - - 0 1"}) {
    ASSERT_EQ(SetUpPosition(fen), 1);
    ExpectCapturesInListOrder();
  }
  // A capture leaves an empty entry in the loser's list, and a promotion taken back leaves a
  // pawn among the officers; both must be skipped alike.
  ASSERT_EQ(SetUpPosition("fen 1r2k3/P5q1/8/3n4/8/1B6/8/R3K2Q w - - 0 1"), 1);
  const Move promotion{int16_t(SquareOf("b8")), int16_t(SquareOf("a7")), Promotion, Queen, Rook};
  MakeMove(promotion);
  ExpectCapturesInListOrder();
  UnmakeMove(promotion);
  ExpectCapturesInListOrder();
}

namespace {
bool MovedPieceChecks;  // whether any quiet move handed over so far attacks the enemy king

// Whether a piece of the type on the square attacks the king's square on the board as it is.
bool Attacks(int8_t type, int32_t square, int32_t king, int32_t side) {
  if (type != Pawn) return PieceAttacks(type, square, king) != 0;
  const int32_t forward = side == White ? 1 : -1;
  const int32_t files = (king & 7) - (square & 7), ranks = (king >> 4) - (square >> 4);
  return ranks == forward && (files == 1 || files == -1);
}

// Records whether the moved piece attacks the enemy king, judged before the move (the way the
// search asks) and after it.
struct CheckSink {
  static int32_t Try(SearchNode&) {
    const Move move = *CurrentMove;
    const int32_t king = PieceList[OtherSide][0].square, side = SideToMove;
    const int8_t type = move.kind == Promotion ? move.piece : Board[move.from].type;
    MovedPieceChecks |= Attacks(type, move.to, king, side);
    MakeMove(move);
    MovedPieceChecks |= Attacks(type, move.to, king, side);
    UnmakeMove(move);
    return 0;
  }
};
}  // namespace

// A piece for which MayGiveCheck says no must have no quiet move that attacks the enemy king,
// for every piece of both sides in positions with pieces near and far from the kings.
TEST(Generators, MayGiveCheckMissesNoCheckingMove) {
  int32_t checked = 0, ruledOut = 0;
  for (const char* placement :
       {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8", "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1",
        "8/k1b5/P4p2/1Pp2p1p/K1P2P1P/8/3B4/8", "4k3/8/3P1P2/8/2N5/8/3K4/8", "8/8/8/3k4/8/2P5/1K6/8",
        "3k4/8/8/1N6/8/8/3P4/RNBQKBNR", "rnbqkbnr/8/8/8/8/4K3/8/8", "8/8/8/5k2/8/8/4P3/4K3",
        "4k3/3p4/8/8/4K3/8/8/8"}) {
    for (const char* side : {" w - - 0 1", " b - - 0 1"}) {
      const std::string fen = std::string("fen ") + placement + side;
      if (SetUpPosition(fen.c_str()) != 1) continue;  // the side not to move is in check
      for (int32_t i = 0; i <= LastEntry[SideToMove]; ++i) {
        const PieceEntry entry = PieceList[SideToMove][i];
        if (entry.type == Empty) continue;
        MovedPieceChecks = false;
        SearchNode& node = Root();
        GenerateQuietMoves<CheckSink>(node, entry.square);
        if (MovedPieceChecks) ++checked;
        if (!MayGiveCheck(entry.square, entry.type)) {
          ++ruledOut;
          EXPECT_FALSE(MovedPieceChecks) << fen << " piece on " << entry.square;
        }
      }
    }
  }
  // The positions must exercise both answers.
  EXPECT_GT(checked, 5);
  EXPECT_GT(ruledOut, 20);
}
