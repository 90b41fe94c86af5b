// What a node's square sets tell it at once: the captures of every enemy piece by our pieces
// (CaptureMap), where our moves may leave our king attacked (KingSafety), whether a move gives
// check; and the small questions both halves of the move loop (the stages and TryMove) ask.
// Only the search's move loop includes this.
#pragma once

#include <cassert>
#include <cstdint>

#include "eval/eval.h"
#include "position/squaresets.h"
#include "search/search.h"

// The captures of the enemy pieces on `open` by the colour, as AttackedSquares finds them, but
// kept per pair: `targets` holds the list indices of the enemy pieces attacked, officers[t] the
// list indices of the colour's officers that attack piece t (the pawns that do are read per
// target from the pawn set). A node has few such pairs, so finding them while each piece's
// attacks are at hand spares finding every target's attackers again from its square.
struct CaptureMap {
  uint32_t targets;
  uint16_t officers[16];
};
inline void MapCaptures(CaptureMap& map, const AttackerSets& sets, uint64_t open,
                        uint64_t occupied) {
  for (uint16_t& officers : map.officers) officers = 0;
  uint32_t targets = ListIndices(PawnAttacks(sets) & open);
  const auto add = [&](uint64_t hits, int32_t index) {
    for (; hits != 0; hits &= hits - 1) {
      const int32_t target = Board[BitSquare(LowestBit(hits))].listIndex;
      assert(target >= 0 && target < 16);
      map.officers[target] |= uint16_t(1u << index);
      targets |= IndexBit[target];
    }
  };
  const auto piece = [&](uint64_t attacks, int32_t bit) {
    if ((attacks & open) != 0) add(attacks & open, Board[BitSquare(bit)].listIndex);
  };
  for (uint64_t set = sets.knights; set != 0; set &= set - 1)
    piece(SquareReach.knight[LowestBit(set)], LowestBit(set));
  add(SquareReach.king[LowestBit(sets.kings)] & open, 0);  // one king, entry 0
  for (uint64_t set = sets.orthogonal; set != 0; set &= set - 1)
    piece(OrthogonalAttacks(occupied, LowestBit(set)), LowestBit(set));
  for (uint64_t set = sets.diagonal; set != 0; set &= set - 1)
    piece(DiagonalAttacks(occupied, LowestBit(set)), LowestBit(set));
  map.targets = targets;
}

// How the side's king stands, for the legality of its moves without making them.
// unsafeOrigins: the squares from which a move may leave the king attacked: the king's own, those
// of pieces pinned against it, and all of the side's squares when the king is attacked already. A
// normal move or promotion from any other square leaves the king as safe as it was: nothing
// attacks it now, no line onto it runs through the square the piece leaves, and a captured piece
// was no shield (it stood where the capturer now stands). An en passant capture takes a second
// piece off the board, so its pawns count as pinned (see the search).
// escapes: where a move of another piece than the king must go to end an attack on the king: every
// square when there is none, the attacker's and those between it and the king when one piece
// attacks, none when two do (an en passant capture can take the attacker elsewhere).
struct KingSafety {
  uint64_t unsafeOrigins;
  uint64_t escapes;
};
// The enemy is passed as the search keeps it (OtherSide), which spares working it out.
inline KingSafety KingSafetyOf(int32_t side, int32_t enemy) {
  assert(enemy == 1 - side);
  const int32_t king = PieceList[side][0].square, bit = SquareBit(king);
  const uint64_t* sets = SquareSets[enemy];
  const uint64_t own = SquareSets[side][0];
  // The enemy king never stands next to ours: set-up refuses it, and no legal move makes it so.
  assert((SquareReach.king[bit] & sets[King]) == 0);
  uint64_t attackers =
      (SquareReach.knight[bit] & sets[Knight]) | (SquareReach.pawnFrom[enemy][bit] & sets[Pawn]);
  uint64_t escapes = attackers;
  uint64_t lines = (SquareReach.rook[bit] & (sets[Rook] | sets[Queen])) |
                   (SquareReach.bishop[bit] & (sets[Bishop] | sets[Queen]));
  const uint64_t occupied = own | sets[0];
  uint64_t unsafe = SquareMask(king);
  const uint64_t* towardsKing = Between.squares[bit];
  for (; lines != 0; lines &= lines - 1) {
    const uint64_t between = towardsKing[LowestBit(lines)];
    const uint64_t blockers = between & occupied;
    if (blockers == 0) {
      attackers |= lines & -lines;
      escapes |= between | (lines & -lines);
    } else if ((blockers & (blockers - 1)) == 0) {
      unsafe |= blockers & own;
    }
  }
  if (attackers == 0) return KingSafety{unsafe, ~uint64_t(0)};
  return KingSafety{own, (attackers & (attackers - 1)) == 0 ? escapes : 0};
}

inline const Move& PreviousMove() { return CurrentMove[-1]; }

// A node's best score starts at the score of being mated at its ply, until a move gives it one.
inline bool HasScore(const SearchNode& node) { return node.best != Ply - MateScore; }

// Only direct checks are seen; a pawn checks from its new square, a promotion with its new type
// (the pawn still stands on its origin while this is asked). Another piece checks when the king
// is in its empty-board reach from there with nothing in between (as PieceAttacks answers, from
// the square sets: a stepper has no squares in between).
inline bool GivesCheck(const Move& move) {
  const int32_t enemyKing = PieceList[OtherSide][0].square;
  if (move.piece == Pawn) {
    const int32_t difference = enemyKing - move.to - PawnAdvance[SideToMove];
    return difference == 1 || difference == -1;
  }
  const int32_t to = SquareBit(move.to), king = SquareBit(enemyKing);
  const bool check = (SquareReach.piece[move.piece][to] & SquareBits.ofBit[king]) != 0 &&
                     (Between.squares[to][king] & Occupied()) == 0;
  assert(check == (PieceAttacks(move.piece, move.to, enemyKing) != 0));
  return check;
}
