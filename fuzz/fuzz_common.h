// What both fuzz targets share: engine start-up with the protocol output thrown away, a fresh
// engine state per input (so that every finding reproduces from its input alone), and the
// checks every position and every search answer must pass. A failed check prints why and aborts,
// which libFuzzer reports with the input.
#pragma once

#include <cstdint>
#include <string>

// Builds the tables once and sends protocol lines to /dev/null.
void StartFuzzedEngine();
// Start position, cleared table and killers, nothing owed: the state of a fresh process.
void ResetEngine();
[[noreturn]] void Fail(const char* what, const std::string& detail);

// The incremental state (lists, keys) agrees with the board as recomputed from scratch.
void CheckPosition(const char* context);
// How the position differs from an earlier snapshot; empty when it is the same. LastOfficer may
// stay above its old value after a promotion is taken back with a captured pawn's entry below it
// (scans of the non-pawn part skip pawn and free entries, so nothing depends on it); only that
// is forgiven.
struct PositionSnapshot;
std::string ChangeSince(const PositionSnapshot& before);

// Runs the search over at most `nodes` nodes from the set-up of `arguments` (a "position"
// argument, already in force) and checks its answer: a legal best move or "0000" exactly when
// there is none, a ponder move legal after it, the position unchanged. Leaves the position set
// up from `arguments` again.
void SearchAndCheck(const std::string& arguments, uint64_t nodes);
