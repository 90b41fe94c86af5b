// The bench: fixed positions searched to a fixed depth on a cleared table. Its node total is the
// engine's signature; it changes only when what the search does changes. Its time is the time
// spent searching: setting up each position and clearing the table before it are left out.
// The caller clears StopRequested first.
#include <chrono>
#include <cinttypes>
#include <cstring>
#include <string>

#include "frontend/frontend.h"
#include "hash/hash.h"
#include "search/search.h"

static const char* const BenchPositions[] = {
    "startpos",
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "fen r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "fen rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "startpos moves e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7",
    "startpos moves d2d4 g8f6 c2c4 e7e6 b1c3 f8b4 e2e3 e8g8",
    "startpos moves e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6",
    "fen 1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "fen 3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "fen 2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "fen 2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "fen k4r2/1R4pb/1pQp1n1p/3P4/5p1P/3P2P1/r1q1R2K/8 w - - 0 1",
    "fen 8/k1b5/P4p2/1Pp2p1p/K1P2P1P/8/3B4/8 w - - 0 1",
    "fen r3r1k1/5p2/pQ1b2pB/1p6/4p3/6P1/Pq2BP1P/2R3K1 b - - 0 1",
    "fen 2rqrn1k/pb4pp/1p2pp2/n2P4/2P3N1/P2B2Q1/1B3PPP/2R1R1K1 w - - 0 1",
    "fen 2r4k/pB4bp/6p1/6q1/1P1n4/2N5/P4PPP/2R1Q1K1 b - - 0 1",
    "fen 8/2b2k1p/2N2pp1/P2p4/3KnP2/6BP/P5P1/8 w - - 0 1",
    "fen 7k/8/1p1ppp1p/1Pp5/2P2P2/8/3P2PP/6K1 w - - 0 1",
    "fen 8/8/8/4k3/8/8/4P3/4K3 w - - 0 1",
    "fen 8/8/3k4/8/8/8/8/4K2R w - - 0 1",
    "fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "fen 8/P7/8/8/8/8/6k1/K7 w - - 0 1",
    "fen 4k3/8/8/8/8/8/8/R3K2R w - - 0 1",
    "fen 8/pp3k2/2p5/3p4/3P4/2P5/PP3K2/8 w - - 0 1",
    "fen r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 0 1",
    "fen 6k1/pp4pp/8/8/8/8/1q3PPP/3Q2K1 b - - 0 1",
    "fen r2q1rk1/ppp2ppp/2np1n2/2b1p3/2B1P1b1/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 1",
    "fen 3k4/8/8/8/8/8/2Q5/4K3 w - - 0 1",
};

constexpr int32_t BenchDepth = 8;

// Each position on a table as empty as the first one's. A "stop" (or any command) during a bench
// in a session ends it after the position being searched, and no signature is printed.
uint64_t RunBench(int32_t depth, bool verbose) {
  if (depth <= 0) depth = BenchDepth;
  if (depth > MaxPly) depth = MaxPly;
  std::chrono::steady_clock::duration searching{};
  uint64_t total = 0;
  int32_t number = 0;
  SilentSearch = true;
  AllowedRootMoveCount = 0;
  for (const char* position : BenchPositions) {
    ++number;
    SetPosition(position);
    ClearTable();
    Limits = SearchLimits{};
    Limits.depth = depth;
    Limits.clock = 0;
    PonderOrInfinite.store(0);
    TimeBudget = 1;
    const auto start = std::chrono::steady_clock::now();
    RunSearch();
    searching += std::chrono::steady_clock::now() - start;
    if (StopRequested.load(std::memory_order_acquire)) {
      SilentSearch = false;
      WriteLine("info string bench stopped in position %d of %d; no total", number,
                int32_t(std::size(BenchPositions)));
      return total;
    }
    total += NodeCount();
    if (verbose) {
      std::string best = RootPv[0].kind == LineEnd ? "0000" : MoveToText(RootPv[0]);
      WriteLine("info string bench %d/%d depth %d nodes %" PRIu64 " bestmove %s", number,
                int32_t(std::size(BenchPositions)), IterationDepth, NodeCount(), best.c_str());
    }
  }
  SilentSearch = false;
  const uint64_t micros =
      uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(searching).count());
  if (verbose) {
    WriteLine("Nodes searched: %" PRIu64, total);
    WriteLine("Total time (ms): %" PRIu64, micros / 1000);
    WriteLine("Nodes/second: %" PRIu64, micros ? total * 1000000 / micros : 0);
  }
  return total;
}
