#include "frontend/frontend.h"

std::atomic<int32_t> CommandPending{0};
std::atomic<int32_t> Searching{0};
std::atomic<int32_t> StopRequested{0};
std::atomic<int32_t> PonderOrInfinite{0};
std::string CommandWord;
std::string CommandArgs;
int32_t HashMegabytes;
int32_t TimeBudget = 1;
uint32_t SearchStartTick;
uint64_t KiloNodes;
int32_t NodesToPoll = 4096;
int32_t PollCountdown = 4095;
SearchLimits Limits{63, 0, 1, 0};
std::atomic<int32_t> StoppedByCommand{0};
std::atomic<uint64_t> PublishedBest{0};
std::atomic<int32_t> BestMoveOwed{0};
uint8_t DiagnosticsEnabled = 1;
int OutputDescriptor = 1;
