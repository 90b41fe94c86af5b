// The "bestmove" reply. The search publishes the root's first move and ponder move as one
// atomic word whenever they change, so the input thread's immediate reply to "stop" never reads
// a move that the search is halfway through writing.
#include <cstdio>

#include "frontend/frontend.h"
#include "search/search.h"

// Per move 22 bits: from (8), to (8), the promotion piece or 0 (4), and a presence bit.
static uint64_t PackMove(const Move* move) {
  if (!move || move->piece == 0 || move->kind == LineEnd) return 0;
  const uint64_t promotion = move->kind == Promotion ? uint64_t(move->piece) : 0;
  return uint64_t(uint8_t(move->from)) | uint64_t(uint8_t(move->to)) << 8 | promotion << 16 |
         uint64_t(1) << 21;
}

static void PackedMoveText(uint64_t packed, char text[8]) {
  text[0] = 0;
  if (!(packed & (uint64_t(1) << 21))) return;
  const int from = int(packed & 0xFF), to = int(packed >> 8 & 0xFF), piece = int(packed >> 16 & 15);
  text[0] = char('a' + (from & 15));
  text[1] = char('1' + (from >> 4));
  text[2] = char('a' + (to & 15));
  text[3] = char('1' + (to >> 4));
  text[4] = piece ? PieceLetters[piece & 7] : 0;
  text[5] = 0;
}

void PublishRootMoves(const Move* first, const Move* second) {
  const uint64_t packedFirst = PackMove(first);
  const uint64_t packedSecond = packedFirst ? PackMove(second) : 0;
  PublishedBest.store(packedFirst | packedSecond << 32, std::memory_order_release);
}

void SendBestMove(int32_t immediate) {
  if (!immediate) PrintSearchInfo();
  const uint64_t published = PublishedBest.load(std::memory_order_acquire);
  char best[8], ponder[8];
  PackedMoveText(published & 0xFFFFFFFF, best);
  if (best[0] == 0) {
    WriteLine("bestmove 0000");
    return;
  }
  PackedMoveText(immediate ? 0 : published >> 32, ponder);
  if (ponder[0] == 0)
    WriteLine("bestmove %s", best);
  else
    WriteLine("bestmove %s ponder %s", best, ponder);
}
