// Weak placeholders for routines whose subsystems are still being written, so that every
// subsystem builds and tests on its own. A real definition anywhere overrides these.
#include <cstdio>
#include <cstdlib>

#include "eval/eval.h"
#include "frontend/frontend.h"
#include "hash/hash.h"
#include "position/position.h"
#include "search/search.h"

#define PENDING                                                      \
  {                                                                  \
    std::fprintf(stderr, "not built yet: %s\n", __PRETTY_FUNCTION__); \
    std::abort();                                                    \
  }
#define WEAK __attribute__((weak))

WEAK int32_t SetPosition(const char*) PENDING;
WEAK void RebuildPieceLists() PENDING;
WEAK const char* MoveToText(const Move&) PENDING;
WEAK int32_t ApplyMoveText(const char*) PENDING;
WEAK void MakeMove(const Move&) PENDING;
WEAK void UnmakeMove(const Move&) PENDING;
WEAK void BuildAttackVectors() PENDING;
WEAK void FreeAttackVectors() PENDING;
WEAK int32_t IsAttacked(int8_t, int32_t) PENDING;
WEAK int32_t PieceAttacks(int8_t, int32_t, int32_t) PENDING;
WEAK int32_t IsRepetition(int32_t, int32_t) PENDING;
WEAK int32_t ReversibleCount(int32_t) PENDING;
WEAK void ComputeKeys(uint32_t&, uint32_t&) PENDING;
WEAK int32_t PositionIsConsistent() PENDING;
WEAK void BuildKeyPool(uint32_t) PENDING;
WEAK void FreeKeyPool() PENDING;
WEAK int32_t RandomInRange(int32_t, int32_t) PENDING;
WEAK void AllocateTable(uint32_t) PENDING;
WEAK void FreeTable() PENDING;
WEAK int32_t ProbeTable(int32_t, int32_t, int32_t, int16_t&) PENDING;
WEAK void StoreTable(int32_t, int32_t, int32_t, int32_t) PENDING;
WEAK int32_t PrepareEvaluation() PENDING;
WEAK int32_t EvaluateMove() PENDING;
WEAK int32_t PawnPenalty(int32_t, int32_t) PENDING;
WEAK int32_t TakePawnOffFile(int8_t, int32_t) PENDING;
WEAK void PrintEvaluation() PENDING;
WEAK int32_t ProbeEndgame(SearchNode&) PENDING;
WEAK int32_t EndgameByte(uint32_t, int8_t) PENDING;
WEAK uint8_t* ReadWholeFile(const char*, uint32_t&) PENDING;
WEAK void SearchRoot() PENDING;
WEAK void PrintSearchInfo() PENDING;
WEAK void SearchMoves(SearchNode&) PENDING;
WEAK int32_t TryMove(SearchNode&) PENDING;
WEAK int32_t SearchChild(int32_t, int32_t, int32_t, int32_t, Move*) PENDING;
WEAK int32_t CheckDraw(SearchNode&) PENDING;
WEAK void ClearKillers() PENDING;
WEAK void StoreKiller(const Move&) PENDING;
WEAK int32_t IsKillerPlayable() PENDING;
WEAK int32_t IsUnmoved(int32_t, int8_t, int32_t) PENDING;
WEAK uint64_t Perft(int32_t) PENDING;
WEAK uint64_t PerftDivide(int32_t) PENDING;
WEAK uint64_t RunBench(int32_t, bool) PENDING;
WEAK void PrintDiagram() PENDING;
WEAK int32_t RunEngine(int) PENDING;
WEAK int32_t DispatchCommand() PENDING;
WEAK void PrepareTables(int32_t) PENDING;
WEAK void FreeTables() PENDING;
WEAK int32_t ParseGo(const char*) PENDING;
WEAK int32_t CheckTime() PENDING;
WEAK void SendBestMove(int32_t) PENDING;
WEAK void PublishRootMoves(const Move*, const Move*) PENDING;
WEAK uint32_t TickCount() PENDING;
WEAK void SleepMilliseconds(int32_t) PENDING;
WEAK void WriteLine(const char*, ...) PENDING;
WEAK void WriteDiagnostic(const char*, ...) PENDING;
WEAK void* AllocZeroed(uint32_t) PENDING;
WEAK const char* FindText(const char*, const char*) PENDING;
WEAK const char* FindChar(const char*, int32_t) PENDING;
WEAK int32_t GetField(std::string&, int32_t, const char*, char) PENDING;
WEAK int32_t ReplaceAll(std::string&, const char*, const char*) PENDING;
WEAK void TrimSpaces(std::string&) PENDING;
WEAK char* DuplicateText(const char*) PENDING;
WEAK int32_t ReadNumber(const char*) PENDING;
WEAK uint64_t ReadUnsigned(const char*) PENDING;
WEAK void StartInputThread(int) PENDING;
WEAK void NormaliseLine(std::string&) PENDING;
