// What the fuzz targets share: an engine whose protocol lines go nowhere, reset before every input
// so that a finding reproduces from its input alone, and the checks a position and a search
// answer must pass. A failed check prints why and aborts, which libFuzzer reports with the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A search costs as much as dozens of inputs without one, so only one input in SearchShare runs
// one, picked by its bytes so that an input always takes the same path; it stops after SearchNodes
// nodes, never on the clock.
constexpr uint32_t SearchShare = 16;
constexpr uint64_t SearchNodes = 300;
bool SearchesInput(const uint8_t* data, size_t size);

// The start position, a 1 MB table, nothing owed, no search limits.
void ResetEngine();
[[noreturn]] void Fail(const char* what, const std::string& detail);
// The incremental keys equal the keys computed anew; lists, square sets and board agree.
void CheckPosition(const std::string& context);
// Every move of the side to move leaves a consistent position (checked after each move made) and
// taken back leaves the position exactly as it was.
void CheckOnePly(const std::string& context);
// A search from the position `argument` set up, on a cleared table, answers a legal move (none
// exactly when there is none) and a ponder move legal after it, and leaves the position alone.
void SearchAndCheck(const std::string& argument, uint64_t nodes);
