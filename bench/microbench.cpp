// Micro-benchmarks of the routines the search runs at every node: making and taking back each
// kind of move, the attack tests, move evaluation, the generators (with a sink that only counts),
// the table probe and store, and the root preprocessing. Each one sets up a fixed position once
// and then repeats the call; none of them changes what the engine computes.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"
#include "search/movegen.h"
#include "search/search.h"

namespace {

constexpr const char* Middlegame =
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
constexpr const char* Opening =
    "fen r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 0 1";
// White to move with an en-passant capture on d6, castling both ways, and a pawn on b7 that
// promotes by a push to b8 or by taking the rook on a8.
constexpr const char* Special = "fen r3k3/1P6/8/8/8/8/8/R3K2R w KQ - 0 1";
constexpr const char* EnPassantLine = "startpos moves e2e4 a7a6 e4e5 d7d5";

int32_t Square(const char* name) { return (name[1] - '1') * 16 + (name[0] - 'a'); }

// The state a search sets up before its first node.
void SetUp(const char* position) {
  PrepareTables(16);
  SetPosition(position);
  Ply = 0;
  CurrentMove = GameLine + RootSlot;
  RootScore = PrepareEvaluation();
}

Move MakeRecord(const char* from, const char* to, MoveKind kind, int8_t piece, int8_t captured) {
  return Move{int16_t(Square(to)), int16_t(Square(from)), kind, piece, captured};
}

void RunMakeUnmake(benchmark::State& state, const char* position, Move move) {
  SetUp(position);
  for (auto _ : state) {
    MakeMove(move);
    UnmakeMove(move);
    benchmark::DoNotOptimize(KeyCheck);
  }
}

void BM_MakeUnmakeNormal(benchmark::State& state) {
  RunMakeUnmake(state, Opening, MakeRecord("g1", "f3", Normal, Knight, Empty));
}
void BM_MakeUnmakeCapture(benchmark::State& state) {
  RunMakeUnmake(state, Opening, MakeRecord("h5", "f7", Normal, Queen, Pawn));
}
void BM_MakeUnmakePromotion(benchmark::State& state) {
  RunMakeUnmake(state, Special, MakeRecord("b7", "b8", Promotion, Queen, Empty));
}
void BM_MakeUnmakePromotionCapture(benchmark::State& state) {
  RunMakeUnmake(state, Special, MakeRecord("b7", "a8", Promotion, Knight, Rook));
}
void BM_MakeUnmakeCastleShort(benchmark::State& state) {
  RunMakeUnmake(state, Special, MakeRecord("e1", "g1", CastleShort, King, Empty));
}
void BM_MakeUnmakeCastleLong(benchmark::State& state) {
  RunMakeUnmake(state, Special, MakeRecord("e1", "c1", CastleLong, King, Empty));
}
void BM_MakeUnmakeEnPassant(benchmark::State& state) {
  RunMakeUnmake(state, EnPassantLine, MakeRecord("e5", "d6", EnPassant, Pawn, Empty));
}
void BM_MakeUnmakeNullMove(benchmark::State& state) {
  RunMakeUnmake(state, Opening, NullMoveRecord);
}

// The legality test after a move: the mover's king against every enemy piece.
void BM_IsAttackedKing(benchmark::State& state) {
  SetUp(Middlegame);
  const int32_t king = PieceList[SideToMove][0].square;
  for (auto _ : state) benchmark::DoNotOptimize(IsAttacked(int8_t(OtherSide), king));
}

// A square attacked by a pawn: the answer comes from the two board cells.
void BM_IsAttackedByPawn(benchmark::State& state) {
  SetUp(Middlegame);
  const int32_t square = Square("d5");
  for (auto _ : state) benchmark::DoNotOptimize(IsAttacked(int8_t(OtherSide), square));
}

void BM_PieceAttacksSlider(benchmark::State& state) {
  SetUp(Opening);
  const int32_t from = Square("h5"), to = Square("f7");
  for (auto _ : state) benchmark::DoNotOptimize(PieceAttacks(Queen, from, to));
}

void BM_PieceAttacksKnight(benchmark::State& state) {
  SetUp(Opening);
  const int32_t from = Square("g1"), to = Square("f3");
  for (auto _ : state) benchmark::DoNotOptimize(PieceAttacks(Knight, from, to));
}

void BM_PieceAttacksRejected(benchmark::State& state) {
  SetUp(Opening);
  const int32_t from = Square("c4"), to = Square("e8");
  for (auto _ : state) benchmark::DoNotOptimize(PieceAttacks(Rook, from, to));
}

void RunEvaluateMove(benchmark::State& state, const char* position, Move move) {
  SetUp(position);
  *CurrentMove = move;
  for (auto _ : state) benchmark::DoNotOptimize(EvaluateMove());
}

void BM_EvaluateMoveQuiet(benchmark::State& state) {
  RunEvaluateMove(state, Opening, MakeRecord("g1", "f3", Normal, Knight, Empty));
}
void BM_EvaluateMoveCapture(benchmark::State& state) {
  RunEvaluateMove(state, Opening, MakeRecord("h5", "f7", Normal, Queen, Pawn));
}
void BM_EvaluateMovePawnCapture(benchmark::State& state) {
  RunEvaluateMove(state, Middlegame, MakeRecord("d5", "e6", Normal, Pawn, Pawn));
}

// Counts what a generator hands over and never cuts it short.
struct CountingSink {
  static inline uint64_t count;
  static int32_t Try(SearchNode&) {
    ++count;
    return 0;
  }
};

// Moves handed over per call, so that a generator producing nothing cannot pass for a fast one.
void ReportMoves(benchmark::State& state) {
  state.counters["moves"] =
      benchmark::Counter(double(CountingSink::count), benchmark::Counter::kAvgIterations);
}

void BM_GenerateCapturesOfAll(benchmark::State& state) {
  SetUp(Middlegame);
  CountingSink::count = 0;
  SearchNode& node = NodeStack[0];
  const int32_t enemy = OtherSide;
  for (auto _ : state) {
    for (int32_t i = 1; i <= LastEntry[enemy]; ++i) {
      if (PieceList[enemy][i].type != Empty)
        GenerateCapturesOf<CountingSink>(node, PieceList[enemy][i].square);
    }
  }
  ReportMoves(state);
}

void BM_GenerateQuietMovesAll(benchmark::State& state) {
  SetUp(Middlegame);
  CountingSink::count = 0;
  SearchNode& node = NodeStack[0];
  const int32_t side = SideToMove;
  for (auto _ : state) {
    for (int32_t i = 0; i <= LastEntry[side]; ++i) {
      if (PieceList[side][i].type != Empty)
        GenerateQuietMoves<CountingSink>(node, PieceList[side][i].square);
    }
  }
  ReportMoves(state);
}

void BM_GenerateCastling(benchmark::State& state) {
  SetUp(Special);
  CountingSink::count = 0;
  SearchNode& node = NodeStack[0];
  for (auto _ : state) GenerateCastling<CountingSink>(node);
  ReportMoves(state);
}

void BM_GenerateEnPassant(benchmark::State& state) {
  SetUp(EnPassantLine);
  CountingSink::count = 0;
  SearchNode& node = NodeStack[0];
  for (auto _ : state) GenerateEnPassant<CountingSink>(node);
  ReportMoves(state);
}

void BM_GeneratePromotionPush(benchmark::State& state) {
  SetUp(Special);
  CountingSink::count = 0;
  SearchNode& node = NodeStack[0];
  for (auto _ : state) GenerateQuietMoves<CountingSink>(node, Square("b7"));
  ReportMoves(state);
}

void BM_ProbeTableHit(benchmark::State& state) {
  SetUp(Middlegame);
  StoreTable(-100, 100, 6, 50);
  int16_t score = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ProbeTable(-100, 100, 4, score));
}

// A probe of a slot that holds another position, spread over the table like the search's.
void BM_ProbeTableMiss(benchmark::State& state) {
  SetUp(Middlegame);
  const uint32_t saved = KeyIndex;
  int16_t score = 0;
  for (auto _ : state) {
    KeyIndex = KeyIndex * 2654435761u + 1;
    benchmark::DoNotOptimize(ProbeTable(-100, 100, 4, score));
  }
  KeyIndex = saved;
}

void BM_StoreTable(benchmark::State& state) {
  SetUp(Middlegame);
  const uint32_t saved = KeyIndex;
  for (auto _ : state) {
    KeyIndex = KeyIndex * 2654435761u + 1;
    StoreTable(-100, 100, 4, 20);
  }
  KeyIndex = saved;
}

void BM_PrepareEvaluation(benchmark::State& state) {
  SetUp(Middlegame);
  for (auto _ : state) benchmark::DoNotOptimize(PrepareEvaluation());
}

}  // namespace

BENCHMARK(BM_MakeUnmakeNormal);
BENCHMARK(BM_MakeUnmakeCapture);
BENCHMARK(BM_MakeUnmakePromotion);
BENCHMARK(BM_MakeUnmakePromotionCapture);
BENCHMARK(BM_MakeUnmakeCastleShort);
BENCHMARK(BM_MakeUnmakeCastleLong);
BENCHMARK(BM_MakeUnmakeEnPassant);
BENCHMARK(BM_MakeUnmakeNullMove);
BENCHMARK(BM_IsAttackedKing);
BENCHMARK(BM_IsAttackedByPawn);
BENCHMARK(BM_PieceAttacksSlider);
BENCHMARK(BM_PieceAttacksKnight);
BENCHMARK(BM_PieceAttacksRejected);
BENCHMARK(BM_EvaluateMoveQuiet);
BENCHMARK(BM_EvaluateMoveCapture);
BENCHMARK(BM_EvaluateMovePawnCapture);
BENCHMARK(BM_GenerateCapturesOfAll);
BENCHMARK(BM_GenerateQuietMovesAll);
BENCHMARK(BM_GenerateCastling);
BENCHMARK(BM_GenerateEnPassant);
BENCHMARK(BM_GeneratePromotionPush);
BENCHMARK(BM_ProbeTableHit);
BENCHMARK(BM_ProbeTableMiss);
BENCHMARK(BM_StoreTable);
BENCHMARK(BM_PrepareEvaluation);
