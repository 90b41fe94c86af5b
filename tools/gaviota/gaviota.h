// The Gaviota tables as an oracle for king and queen, rook or pawn against king: for the tool
// that froze rows of them into tests/data, and for the endgame test that compares every position
// where they are installed. White is the strong side; Black has the bare king.
#pragma once

#include <gtb-probe.h>

#include <cstdlib>

namespace gaviota {
struct Square {
  int file, rank;
  bool operator==(const Square&) const = default;
};
struct Position {
  Square king, weakKing, piece;
  bool weakToMove;
};

// Every placement once: n < 2^19 packs the three squares and whether Black moves.
constexpr int Placements = 64 * 64 * 64 * 2;
inline Position Unpack(int n) {
  return {
      {n >> 16 & 7, n >> 13 & 7}, {n >> 10 & 7, n >> 7 & 7}, {n >> 4 & 7, n >> 1 & 7}, bool(n & 1)};
}

// Whether a placement is a position: kings apart, three squares, no pawn on an end rank, and the
// weak king not in check with White to move. `type` is 'Q', 'R' or 'P'.
inline bool Possible(char type, const Position& p) {
  if (std::abs(p.king.file - p.weakKing.file) <= 1 && std::abs(p.king.rank - p.weakKing.rank) <= 1)
    return false;
  if (p.piece == p.king || p.piece == p.weakKing || (type == 'P' && p.piece.rank % 7 == 0))
    return false;
  if (p.weakToMove) return true;
  const int df = p.weakKing.file - p.piece.file, dr = p.weakKing.rank - p.piece.rank;
  if (type == 'P') return !(dr == 1 && std::abs(df) == 1);
  if (df != 0 && dr != 0 && !(type == 'Q' && std::abs(df) == std::abs(dr))) return true;
  const Square step{(df > 0) - (df < 0), (dr > 0) - (dr < 0)};
  for (Square s{p.piece.file + step.file, p.piece.rank + step.rank}; !(s == p.weakKing);
       s = {s.file + step.file, s.rank + step.rank})
    if (s == p.king) return true;  // the king shields its own side's check
  return false;
}

// The tables of a folder, open while the object lives.
struct Tables {
  const char** paths;
  explicit Tables(const char* folder) : paths(tbpaths_add(tbpaths_init(), folder)) {
    tb_init(0, tb_CP4, paths);
    tbcache_init(4 << 20, 10);
  }
  ~Tables() {
    tbcache_done();
    tb_done();
    tbpaths_done(paths);
  }
  bool Open() const { return tb_is_initialized() && (tb_availability() & 1); }
};

constexpr int Draw = -1, NoVerdict = -2;
// Plies to mate with best play, Draw, or NoVerdict when the tables answer anything else.
inline int Probe(char type, const Position& p) {
  const unsigned white[3] = {unsigned(p.king.rank * 8 + p.king.file),
                             unsigned(p.piece.rank * 8 + p.piece.file), tb_NOSQUARE};
  const unsigned black[2] = {unsigned(p.weakKing.rank * 8 + p.weakKing.file), tb_NOSQUARE};
  const unsigned char code = type == 'Q' ? tb_QUEEN : type == 'R' ? tb_ROOK : tb_PAWN;
  const unsigned char whitePieces[3] = {tb_KING, code, tb_NOPIECE};
  const unsigned char blackPieces[2] = {tb_KING, tb_NOPIECE};
  unsigned info = tb_UNKNOWN, plies = 0;
  if (!tb_probe_hard(p.weakToMove ? tb_BLACK_TO_MOVE : tb_WHITE_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE,
                     white, black, whitePieces, blackPieces, &info, &plies))
    return NoVerdict;
  return info == tb_DRAW ? Draw : info == tb_WMATE ? int(plies) : NoVerdict;
}
}  // namespace gaviota
