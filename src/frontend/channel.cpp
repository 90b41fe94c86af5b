// The input thread: reads standard input, cleans it into command lines and hands them to the
// main thread one at a time. While a search runs it acts on a few commands itself, because the
// main thread is busy: "isready" is answered, "ponderhit" turns a pondering search into a timed
// one, "stop" ends the search, and any other line ends the search and is run after it.
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "frontend/frontend.h"
#include "frontend/platform.h"

// Tabs become spaces, runs of spaces one space, and the ends are trimmed: one pass over the line,
// so that even a megabyte of blanks costs no more than reading it.
void NormaliseLine(std::string& line) {
  size_t kept = 0;
  bool blankPending = false;
  for (const char c : line) {
    if (c == ' ' || c == '\t') {
      blankPending = kept > 0;
      continue;
    }
    if (blankPending) line[kept++] = ' ';
    blankPending = false;
    line[kept++] = c;
  }
  line.resize(kept);
}

// The channel's changes wake the waiting thread through a condition variable. (The atomic's own
// wait lost wake-ups with MinGW's library, leaving a command unanswered for good.) The flag is
// changed before the mutex is taken, so a waiter either sees the new value or is already waiting
// when the notification comes. Both are never destroyed: the input thread may still wait on
// them while the process ends.
static std::mutex& ChannelMutex = *new std::mutex;
static std::condition_variable& ChannelChanged = *new std::condition_variable;

static void SetChannel(int32_t pending) {
  CommandPending.store(pending, std::memory_order_release);
  { const std::lock_guard<std::mutex> lock(ChannelMutex); }
  ChannelChanged.notify_all();
}

static void WaitForChannel(int32_t pending) {
  std::unique_lock<std::mutex> lock(ChannelMutex);
  ChannelChanged.wait(
      lock, [pending] { return CommandPending.load(std::memory_order_acquire) == pending; });
}

void PostChannel() { SetChannel(1); }
void ReleaseChannel() { SetChannel(0); }
void WaitForPosting() { WaitForChannel(1); }
static void WaitForFreeChannel() { WaitForChannel(0); }

static void Post(const std::string& word, const std::string& arguments) {
  CommandWord = word;
  CommandArgs = arguments;
  PostChannel();
}

static bool SameWord(const std::string& word, const char* name) {
  return strcasecmp(word.c_str(), name) == 0;
}

// Acts on a line that arrived while a search runs. Returns false when the search ended before
// the input thread could claim it; the line is then posted like any other.
static bool ActDuringSearch(const std::string& word, const std::string& arguments) {
  if (!ClaimSearch(InputActing)) return false;
  if (SameWord(word, "isready")) {
    WriteLine("readyok");
  } else if (SameWord(word, "ponderhit")) {
    PonderOrInfinite.store(0, std::memory_order_release);
  } else if (SameWord(word, "stop")) {
    StopRequested.store(1, std::memory_order_release);
    // A search bound by the clock is answered in full by the dispatcher when it returns; a
    // pondering or infinite one is answered here and now.
    if (PonderOrInfinite.load(std::memory_order_acquire) &&
        BestMoveOwed.exchange(0, std::memory_order_acq_rel))
      SendBestMove(1);
  } else {
    StoppedByCommand.store(1, std::memory_order_release);
    StopRequested.store(1, std::memory_order_release);
    Searching.store(SearchRunning, std::memory_order_release);
    Post(word, arguments);  // runs once the search has returned
    return true;
  }
  Searching.store(SearchRunning, std::memory_order_release);
  return true;
}

static void HandleLine(std::string line) {
  NormaliseLine(line);
  WaitForFreeChannel();
  std::string word = line, arguments;
  const size_t space = line.find(' ');
  if (space != std::string::npos) {
    word = line.substr(0, space);
    arguments = line.substr(space + 1);
  }
  if (Searching.load(std::memory_order_acquire) != NoSearch && ActDuringSearch(word, arguments))
    return;
  Post(word, arguments);
}

// Splits the pending text into lines. A carriage return, a line feed or the pair ends a line;
// blank lines vanish. A line longer than MaxLineLength is dropped whole.
class LineSplitter {
 public:
  template <class Handler>
  void Feed(const char* text, size_t length, Handler&& handler) {
    for (size_t i = 0; i < length; ++i) {
      const char c = text[i];
      if (c == '\n' && lastWasReturn_) {
        lastWasReturn_ = false;
        continue;
      }
      lastWasReturn_ = c == '\r';
      if (c == '\r' || c == '\n') {
        if (!dropping_ && !line_.empty()) handler(std::move(line_));
        line_.clear();
        dropping_ = false;
      } else if (!dropping_) {
        line_.push_back(c);
        if (line_.size() > MaxLineLength) {
          dropping_ = true;
          line_.clear();
          line_.shrink_to_fit();
        }
      }
    }
  }
  template <class Handler>
  void Finish(Handler&& handler) {
    if (!dropping_ && !line_.empty()) handler(std::move(line_));
    line_.clear();
  }

 private:
  std::string line_;
  bool lastWasReturn_ = false;
  bool dropping_ = false;
};

std::vector<std::string> SplitInput(const char* text, size_t length) {
  std::vector<std::string> lines;
  LineSplitter splitter;
  const auto keep = [&lines](std::string&& line) { lines.push_back(std::move(line)); };
  splitter.Feed(text, strnlen(text, length), keep);
  splitter.Finish(keep);
  return lines;
}

// End of input is "quit": an interface that has gone away leaves no engine behind. It is the
// very line "quit", so a running search ends and its "go" is answered as for any other command.
static void QuitAtEndOfInput() { HandleLine("quit"); }

static void InputThread(int fd) {
  LineSplitter splitter;
  char buffer[ReadChunk + 1];
  for (;;) {
    const size_t count = ReadInput(fd, buffer, ReadChunk);
    if (count == 0) break;
    // A zero byte ends the text of that read.
    const size_t length = strnlen(buffer, count);
    splitter.Feed(buffer, length, [](std::string&& line) { HandleLine(std::move(line)); });
  }
  splitter.Finish([](std::string&& line) { HandleLine(std::move(line)); });
  QuitAtEndOfInput();
}

void StartInputThread(int fd) {
  std::thread reader([fd] {
    // Above normal where the system permits it (it needs privileges); otherwise unchanged.
    RaiseThreadPriority();
    InputThread(fd);
  });
  reader.detach();
}

// Waits out the other holder; false when no search runs.
bool ClaimSearch(SearchingState holder) {
  for (;;) {
    int32_t expected = SearchRunning;
    if (Searching.compare_exchange_weak(expected, holder, std::memory_order_acq_rel)) return true;
    if (expected == NoSearch) return false;
    std::this_thread::yield();
  }
}

void BeginSearching() {
  StopRequested.store(0, std::memory_order_release);
  Searching.store(SearchRunning, std::memory_order_release);
  ReleaseChannel();
}

void EndSearching() { ClaimSearch(NoSearch); }

bool BeginSearchOutput() {
  if (!ClaimSearch(SearchWriting)) return true;  // no search runs: only the main thread writes
  if (!StopRequested.load(std::memory_order_acquire)) return true;
  Searching.store(SearchRunning, std::memory_order_release);
  return false;
}

void EndSearchOutput() {
  int32_t expected = SearchWriting;
  Searching.compare_exchange_strong(expected, SearchRunning, std::memory_order_acq_rel);
}
