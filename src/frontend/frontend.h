// The front end: the command channel between the input thread and the main thread, the UCI
// dispatcher, the time budget, line output, allocation and the text routines.
//
// The two threads share only the channel flags below (atomics, release on write, acquire on
// read) and what the protocol hands over: CommandWord/CommandArgs are written by the input thread
// only while CommandPending is 0 and read by the main thread only while it is 1.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "position/position.h"

// ---- Command channel ------------------------------------------------------------------------
extern std::atomic<int32_t> CommandPending;
// Who holds a running search: the search itself (SearchRunning), the input thread while it acts
// on the search (InputActing), or the search while it writes a line (SearchWriting). A holder
// other than the search waits its turn; NoSearch when none runs. A "go perft" and a "bench" in a
// session run as searches too, so that the input thread answers and stops them.
enum SearchingState : int32_t {
  NoSearch = 0,
  SearchRunning = 1,
  InputActing = 2,
  SearchWriting = 3,
};
extern std::atomic<int32_t> Searching;
extern std::atomic<int32_t> StopRequested;
extern std::atomic<int32_t> PonderOrInfinite;
extern std::string CommandWord;
extern std::string CommandArgs;

// A line longer than this is dropped whole, never cut and run.
constexpr size_t MaxLineLength = 1 << 20;
constexpr size_t ReadChunk = 16383;

void StartInputThread(int fd);
// Posting and taking up a command wake the thread waiting on the channel at once: an interface
// playing a fast game must not lose a polling interval on every move.
void PostChannel();
void ReleaseChannel();
void WaitForPosting();
// Cleans one read's worth of text into complete lines (kept for tests).
void NormaliseLine(std::string& line);
// The lines the input thread cuts from text arriving in one read, before cleaning; a piece
// after the last line end counts as a line, as at the end of input (kept for tests).
std::vector<std::string> SplitInput(const char* text, size_t length);

// ---- Dispatcher -----------------------------------------------------------------------------
extern int32_t HashMegabytes;
constexpr int32_t MaxHashMegabytes = 1024;
int32_t DispatchCommand();
void PrepareTables(int32_t megabytes);
void FreeTables();
// Runs the main loop until "quit" or end of input; returns the exit code.
int32_t RunEngine(int fd);

// ---- Time budget and limits -----------------------------------------------------------------
extern int32_t TimeBudget;
extern uint32_t SearchStartTick;
// Nodes counted: KiloNodes * 1024 plus those counted since (NodesSincePoll).
extern uint64_t KiloNodes;
// The value of NodesSincePoll at which CheckTime next reads the clock or tests the node limit.
extern int32_t NodesToPoll;
// NodesToPoll minus the count since, minus one: CheckTime counts a node by decrementing it and
// polls when it goes below zero, one instruction and a sign test where an increment and a
// comparison with NodesToPoll took five.
extern int32_t PollCountdown;
inline int32_t NodesSincePoll() { return NodesToPoll - 1 - PollCountdown; }
// Limits beyond the clock of the side to move: "go depth", "go nodes", "go movetime", "go mate".
struct SearchLimits {
  int32_t depth = 63;      // 63 when not given
  uint64_t nodes = 0;      // 0 when not given
  int32_t clock = 1;       // 0 when only a depth or node limit bounds the search
  int32_t hardBudget = 0;  // 1 when the budget is a fixed "movetime": no two-thirds rule
  int32_t mate = 0;        // moves within which a mate found for the side to move ends the search
  // 1 when "mate" is the only limit: the search runs like "infinite", but finding the mate ends
  // it and it answers by itself.
  int32_t mateAnswers = 0;
};
extern SearchLimits Limits;
int32_t ParseGo(const char* arguments);
int32_t CheckTime();
// Zero nodes searched; Limits must be set first.
void ResetNodeCount();
inline uint64_t NodeCount() { return KiloNodes * 1024 + uint64_t(NodesSincePoll()); }

// ---- Best-move reply ------------------------------------------------------------------------
// The root's first move and ponder move, published by the search so the input thread's
// immediate reply never reads a move that is half written.
extern std::atomic<uint64_t> PublishedBest;
void PublishRootMoves(const Move* first, const Move* second);
void SendBestMove(int32_t immediate);
// 1 from a "go" until its one "bestmove" has been written; whoever writes it takes the flag.
extern std::atomic<int32_t> BestMoveOwed;
// Set when a command other than "stop", "isready" or "ponderhit" ended the search: the search's
// "go" is then answered in full even when it was pondering or infinite.
extern std::atomic<int32_t> StoppedByCommand;
// The end of a search: waits out an input thread that is acting on the running search, so a
// "stop" or "ponderhit" arriving in that instant is either seen by the dispatcher or posted.
// The start of a search: no stop requested yet, the input thread acting on it from now on, and
// the channel open for the next command.
void BeginSearching();
void EndSearching();
bool ClaimSearch(SearchingState holder);
// The search writes its lines under the claim the input thread takes to act on a running
// search, and writes none once a stop has been requested: nothing the search says can follow
// the immediate "bestmove". Begin returns false when the line must not be written.
bool BeginSearchOutput();
void EndSearchOutput();

// ---- Platform, output, allocation -----------------------------------------------------------
uint32_t TickCount();
void WriteLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
void WriteDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));
extern uint8_t DiagnosticsEnabled;
void* AllocZeroed(uint32_t size);
// Tests capture output by swapping the descriptor lines go to.
extern int OutputDescriptor;

// ---- Text routines --------------------------------------------------------------------------
const char* FindText(const char* text, const char* pattern);
const char* FindChar(const char* text, int32_t character);
int32_t GetField(std::string& destination, int32_t field, const char* text, char separator);
void TrimSpaces(std::string& text);
char* DuplicateText(const char* text);
// atoi without its undefined overflow: leading blanks, optional sign, digits; 0 when none.
int32_t ReadNumber(const char* text);
uint64_t ReadUnsigned(const char* text);
