// Writes rows of king and queen, king and rook, king and pawn against king positions with their
// distances to mate as the Gaviota tables give them, so that the endgame data are checked on
// machines without the tables. Run again only when the choice below changes:
//   build/release/freeze_endgame_rows > tests/data/endgame-mates.txt
// Chosen per ending, with a fixed seed: one position for every distance to mate with either side
// to move, the longest mates, draws, and more until the strong king has stood on every square;
// every second row has the colours exchanged (the board turned top to bottom), which the engine's
// data file meets as its own rank flip.
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gaviota.h"

namespace {
using gaviota::Position, gaviota::Square;

std::string Fen(char type, const Position& p, bool blackStrong) {
  char board[8][8] = {};
  const auto put = [&](Square s, char piece) {
    board[blackStrong ? s.rank : 7 - s.rank][s.file] = blackStrong ? char(piece ^ 0x20) : piece;
  };
  put(p.king, 'K'), put(p.piece, type), put(p.weakKing, 'k');
  std::string fen;
  for (int row = 0; row < 8; ++row) {
    for (int file = 0, empty = 0; file < 8; ++file) {
      if (board[row][file] == 0) ++empty;
      if (empty > 0 && (board[row][file] != 0 || file == 7)) fen += char('0' + empty), empty = 0;
      if (board[row][file] != 0) fen += board[row][file];
    }
    fen += row < 7 ? "/" : "";
  }
  return fen + (p.weakToMove == blackStrong ? " w" : " b") + " - - 0 1";
}
}  // namespace

int main() {
  const gaviota::Tables tables(QUENDAL_GAVIOTA_TABLES);
  if (!tables.Open()) return std::fprintf(stderr, "no tables in %s\n", QUENDAL_GAVIOTA_TABLES), 1;
  std::mt19937 random(20261208);
  std::printf(
      "# King and queen, rook or pawn against king: FEN | plies to mate with best play from the\n"
      "# position, or draw, as the Gaviota tables give them "
      "(tools/gaviota/freeze_endgame_rows).\n");
  int row = 0;
  for (const char type : {'Q', 'R', 'P'}) {
    std::map<std::pair<int, int>, std::vector<int>> byVerdict;  // (weak to move, plies): placements
    std::map<int, std::vector<int>> byKing;                     // strong king's square: placements
    std::map<int, int> verdict;
    for (int n = 0; n < gaviota::Placements; ++n) {
      if (!gaviota::Possible(type, gaviota::Unpack(n))) continue;
      verdict[n] = gaviota::Probe(type, gaviota::Unpack(n));
      if (verdict[n] == gaviota::NoVerdict) return std::fprintf(stderr, "no verdict %d\n", n), 1;
      byVerdict[{n & 1, verdict[n]}].push_back(n);
      byKing[n >> 13].push_back(n);
    }
    std::set<int> chosen;
    const auto pick = [&](const std::vector<int>& from, int count) {
      while (count-- > 0) chosen.insert(from[random() % from.size()]);
    };
    for (const auto& [key, placements] : byVerdict)
      pick(placements, key.second != gaviota::Draw ? 1 : type == 'P' ? 12 : 3);
    for (const int weakToMove : {0, 1}) {
      const std::vector<int>& longest =
          std::prev(byVerdict.lower_bound({weakToMove + 1, -9}))->second;
      chosen.insert(longest.begin(), longest.begin() + std::min<size_t>(4, longest.size()));
    }
    std::set<int> kings;
    for (const int n : chosen) kings.insert(n >> 13);
    for (const auto& [king, placements] : byKing)
      if (!kings.contains(king)) pick(placements, 1);
    std::printf("\n# King and %s against king\n", type == 'Q'   ? "queen"
                                                  : type == 'R' ? "rook"
                                                                : "pawn");
    for (const int n : chosen)
      std::printf("%s | %s\n", Fen(type, gaviota::Unpack(n), ++row % 2 == 0).c_str(),
                  verdict[n] == gaviota::Draw ? "draw" : std::to_string(verdict[n]).c_str());
  }
  return 0;
}
