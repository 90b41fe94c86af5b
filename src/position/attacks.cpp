// Attack detection. The table indexed by the difference of two squares answers at once whether
// any piece of a type could reach across that difference; only a slider then walks the squares
// between. Pawn attacks are read off the two board cells behind the square.
#include <cstdlib>

#include "frontend/frontend.h"
#include "position/position.h"

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
  if ((vector.attackers & PieceBit[type]) == 0) return 0;
  if (type == King || type == Knight) return 1;
  int32_t square = origin;
  do {
    square += vector.step;
  } while (square != target && Board[square].type == Empty);
  return square == target;
}

int32_t IsAttacked(int8_t colour, int32_t square) {
  const int32_t behind = square - PawnAdvance[colour];
  for (const int32_t from : {behind - 1, behind + 1}) {
    if (IsOnBoard(from) && Board[from].type == Pawn && Board[from].colour == colour) return 1;
  }
  for (int32_t i = LastOfficer[colour]; i >= 0; --i) {
    const PieceEntry& entry = PieceList[colour][i];
    if (entry.type == Empty || entry.type == Pawn) continue;
    if (PieceAttacks(entry.type, entry.square, square)) return 1;
  }
  return 0;
}
