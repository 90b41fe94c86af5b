// Attack detection. The table indexed by the difference of two squares answers at once whether
// a piece of a type could reach across that difference; only a slider then walks the squares
// between. Whether a square is attacked at all is asked of the square sets instead: the reach of
// the square ANDed with the attacking colour's sets names every candidate at once.
#include <cstdlib>

#include "frontend/frontend.h"
#include "position/position.h"
#include "position/squaresets.h"

namespace {
constexpr int32_t AttackSpan = 120;  // differences -120..120
constexpr int32_t OrthogonalAttackers = 2 | 4;
constexpr int32_t DiagonalAttackers = 2 | 8;
constexpr int32_t KingAttacker = 1;
constexpr int32_t KnightAttacker = 16;
}  // namespace

void BuildAttackVectors() {
  auto* block =
      static_cast<AttackVector*>(AllocZeroed((2 * AttackSpan + 1) * sizeof(AttackVector)));
  if (block == nullptr) return;
  AttackVectors = block + AttackSpan;
  for (int32_t d = 0; d < 8; ++d) {
    const int32_t step = Directions[d];
    const int32_t sliders = d < 4 ? OrthogonalAttackers : DiagonalAttackers;
    for (int32_t k = 1; k <= 7; ++k) {
      AttackVectors[step * k] = AttackVector{step, sliders | (k == 1 ? KingAttacker : 0)};
    }
  }
  for (int32_t d = 8; d < 16; ++d) {
    AttackVectors[Directions[d]] = AttackVector{Directions[d], KnightAttacker};
  }
}

void FreeAttackVectors() {
  if (AttackVectors != nullptr) std::free(AttackVectors - AttackSpan);
  AttackVectors = nullptr;
}

int32_t PieceAttacks(int8_t type, int32_t origin, int32_t target) {
  const AttackVector& vector = AttackVectors[target - origin];
  const int32_t bits = vector.attackers & PieceBit[type];
  if (bits == 0) return 0;
  if (bits & (KingAttacker | KnightAttacker)) return 1;
  return (SquaresBetween(origin, target) & Occupied()) == 0;
}

int32_t IsAttackedAfter(int8_t colour, int32_t square, uint64_t occupied, uint64_t removed) {
  const Attackers attackers = CandidateAttackers(colour, square);
  if (((attackers.steppers | attackers.pawns) & ~removed) != 0) return 1;
  return UnblockedSliders(attackers.sliders & ~removed, square, occupied) != 0;
}

int32_t IsAttacked(int8_t colour, int32_t square) {
  return IsAttackedAfter(colour, square, Occupied(), 0);
}

int32_t MoveLeavesKingAttacked(const Move& move) {
  const int32_t king = move.piece == King ? move.to : PieceList[SideToMove][0].square;
  const uint64_t occupied = (Occupied() & ~SquareMask(move.from)) | SquareMask(move.to);
  return IsAttackedAfter(int8_t(OtherSide), king, occupied, SquareMask(move.to));
}

namespace {
// A slider's attacks walked along the board's rays one square at a time, up to and including the
// first occupied square: what the multiplication tables must agree with.
constexpr uint64_t WalkedAttacks(uint64_t occupied, int32_t bit, int32_t first, int32_t last) {
  uint64_t attacks = 0;
  for (int32_t d = first; d <= last; ++d)
    for (int32_t to = BitSquare(bit) + Directions[d]; IsOnBoard(to); to += Directions[d]) {
      attacks |= SquareMask(to);
      if (occupied & SquareMask(to)) break;
    }
  return attacks;
}

// Every square on the empty and the full board and on boards from dense to sparse, made by a
// linear congruential generator, the sparse ones by ANDing successive numbers.
constexpr bool SliderTablesAgreeWithRayWalks() {
  uint64_t random = 0x9E3779B97F4A7C15, occupied = 0;
  for (int32_t round = 0; round < 12; ++round) {
    for (int32_t bit = 0; bit < 64; ++bit)
      if (OrthogonalAttacks(occupied, bit) != WalkedAttacks(occupied, bit, 0, 3) ||
          DiagonalAttacks(occupied, bit) != WalkedAttacks(occupied, bit, 4, 7))
        return false;
    occupied = round == 0 ? ~uint64_t(0) : random;
    for (int32_t thinning = round % 4; thinning > 0; --thinning) {
      random = random * 6364136223846793005 + 1442695040888963407;
      occupied &= random;
    }
    random = random * 6364136223846793005 + 1442695040888963407;
  }
  return true;
}
static_assert(SliderTablesAgreeWithRayWalks(), "slider tables differ from a walk along the rays");
}  // namespace
