// What the in-process tests and the fuzz targets share: one helper each for words, squares, legal
// moves, set-up with its output captured, a comparable snapshot of the position, random games,
// the data rows in tests/data, temporary folders and Stockfish as an oracle. Nothing here depends
// on GoogleTest but the slow-run macro; what goes wrong outside a test's own checks (a missing data
// file, an oracle that answers something else than asked) throws, which fails the test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "position/position.h"

// Sanitizers and the debug build's consistency checks slow moves down by an order of magnitude.
constexpr bool SlowBuild =
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

// The long runs ("./run-tests slow") skip themselves unless QUENDAL_SLOW is set.
#define SKIP_UNLESS_SLOW_RUN() \
  if (!std::getenv("QUENDAL_SLOW")) GTEST_SKIP() << "a long run: ./run-tests slow"

std::vector<std::string> Words(const std::string& text, char separator = ' ');
int32_t SquareOf(const std::string& name);  // "e4"

// Sends the engine's protocol lines into a buffer while the object lives.
class CapturedOutput {
 public:
  CapturedOutput();
  ~CapturedOutput();
  std::string Text();

 private:
  std::FILE* file_;
  int saved_;
};
int32_t SetUpPosition(const std::string& argument, std::string* output = nullptr);

// The FEN of the current position as the "d" command prints it.
std::string PrintedFen();

// The moves of the side to move in generation order, as the records the generators build at the
// current ply: all of them, or the legal ones only.
std::vector<Move> MoveRecords(bool legalOnly);
// Legal moves of the side to move in generation order, or of a "position" argument (none when
// set-up refuses it).
std::vector<std::string> LegalMoves();
std::vector<std::string> LegalMoves(const std::string& argument);
bool HasMove(const std::vector<std::string>& moves, const std::string& move);

// Everything make/unmake must restore, as bytes. LastOfficer is left out: a promotion taken back
// may leave it above a captured entry, and the consistency check says whether the officers still
// end there.
using PositionSnapshot = std::string;
PositionSnapshot TakeSnapshot();
// Empty when equal, otherwise the first difference.
std::string Difference(const PositionSnapshot& a, const PositionSnapshot& b);

// A "position" argument with one more move played.
std::string WithMove(const std::string& argument, const std::string& move);
// A random game of up to `plies` legal moves after `base`, as a "position" argument.
std::string RandomGame(std::mt19937& random, const std::string& base, int32_t plies);
// What is wrong with a "bestmove" line answered in the position `argument` (empty when nothing
// is): the best move must be legal there, 0000 exactly when no move is, and the ponder move legal
// after it. Leaves that position set up.
std::string BestMoveFault(const std::string& argument, const std::string& line);

// Whether the whole text matches the POSIX extended regular expression.
bool Matches(const std::string& text, const std::string& pattern);
// Whether a line has one of the shapes the engine writes in play (identification, readiness,
// search information, best move, "info string", the out-of-memory line): a line that fits none
// was torn, interleaved with another, or is simply wrong.
bool IsEngineLine(const std::string& line);

// Rows of tests/data/<name> (or of the file at an absolute path): fields split at the separator
// and trimmed; blank lines and '#' lines skipped. A missing file or one without rows throws, so a
// renamed file cannot make a table-driven test pass on nothing.
std::vector<std::vector<std::string>> ReadRows(const std::string& name, char separator = '|');
// The positions of tests/data/perft.txt, of every kind: castling, en passant, promotions, pins.
std::vector<std::string> PerftPositions();
// Whether ../shared/data/<name> exists (the long suites that live outside the project).
std::optional<std::string> SharedData(const std::string& name);

// A folder removed with everything in it when the object goes away.
struct TemporaryFolder {
  std::filesystem::path path;
  TemporaryFolder();
  ~TemporaryFolder();
};

// The optional oracles: Debian's Stockfish and the Gaviota tables; nothing when not installed,
// or when QUENDAL_NO_ORACLES is set (a machine without them, for a check of what the suite still
// catches).
std::optional<std::string> StockfishBinary();
std::optional<std::string> GaviotaTables();

// Stockfish's "go perft" divide of each "position" argument, asked in one run of the program;
// nothing when it is not installed. An answer of another shape throws.
using Divide = std::map<std::string, uint64_t>;
std::optional<std::vector<Divide>> StockfishDivides(const std::vector<std::string>& positions,
                                                    int32_t depth);
// Our own divide, as "go perft" prints it.
Divide OwnDivide(int32_t depth);
