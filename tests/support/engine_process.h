// EngineProcess runs the real engine binary as a child process and talks to it through pipes,
// the way a chess interface does. Tests built on it check whole exchanges: what the engine
// writes, in which order, and how the process ends.
//
// Writing a new process test:
//
//   #include "support/engine_process.h"
//   using namespace std::chrono_literals;
//
//   TEST(Search, FindsAMove) {
//     EngineProcess engine;                       // starts QUENDAL_BINARY
//     ASSERT_TRUE(engine.Handshake());            // "uci" ... "uciok", "isready" ... "readyok"
//     engine.SendLine("position startpos moves e2e4");
//     LinesUntil reply = engine.Go("depth 5");    // every line up to and including "bestmove"
//     ASSERT_TRUE(reply) << reply;
//     for (const std::string& line : reply.lines) { /* inspect each info line */ }
//     EXPECT_TRUE(reply.Match().starts_with("bestmove "));
//     engine.SendLine("quit");
//     EXPECT_EQ(engine.WaitForExit(), 0);
//   }
//
// - Send() writes raw bytes (CR, tabs, half a command); SendLine() adds "\n".
// - ReadLine/ExpectLine/WaitForLine read whole lines without their "\n"; a "\r" the engine
//   writes stays in the line, so a wrong line end shows up as a mismatch.
// - Timeouts only catch an engine that hangs; keep them generous (the default is kTimeout)
//   and never use them to measure speed.
// - A test that fails gets the whole exchange ("> " sent, "< " received) on stderr.
// - When the object goes away with the engine still running, its input is closed and it must
//   end with exit code 0 (so sanitizer reports in the engine fail the test); one still busy
//   after kShutdownTimeout is killed without complaint (so end a test's searches with "stop"
//   to keep it quick). Kill() skips that check.
// - The engine runs in the test's working directory unless Options::workingDirectory names
//   another (it looks for "Endgame.bin" there); extra command-line words go in
//   Options::arguments.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The lines read while waiting for one that matches. Kept whole even when no line matched, so
// a failing test can show what the engine said instead.
struct LinesUntil {
  std::vector<std::string> lines;  // every line read, the matching one last when found
  bool found = false;

  explicit operator bool() const { return found; }
  const std::string& Match() const { return lines.back(); }
};
std::ostream& operator<<(std::ostream& out, const LinesUntil& lines);

class EngineProcess {
 public:
  using Duration = std::chrono::milliseconds;
  // Long enough for a sanitizer build on a busy machine; only a hung engine reaches it.
  static constexpr Duration kTimeout{10000};
  static constexpr Duration kShutdownTimeout{3000};

  struct Options {
    std::string binary = QUENDAL_BINARY;
    std::vector<std::string> arguments;
    std::string workingDirectory;  // empty: the test's own
  };

  EngineProcess();
  explicit EngineProcess(Options options);
  ~EngineProcess();
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Writes the bytes as they are; false (and a test failure) when the engine stopped reading.
  bool Send(std::string_view text, Duration timeout = kTimeout);
  bool SendLine(std::string_view line, Duration timeout = kTimeout);
  // Ends the engine's input, as a closed interface would.
  void CloseInput();

  // The next whole line, or nothing when none came in time or output ended.
  std::optional<std::string> ReadLine(Duration timeout = kTimeout);
  // The next line must be exactly this one.
  testing::AssertionResult ExpectLine(std::string_view expected, Duration timeout = kTimeout);
  // Reads lines until one satisfies the predicate (or starts with the prefix).
  LinesUntil WaitForLine(const std::function<bool(const std::string&)>& matches,
                         Duration timeout = kTimeout);
  LinesUntil WaitForLine(std::string_view prefix, Duration timeout = kTimeout);
  // Every line that arrives within the period; for checking that nothing more comes.
  std::vector<std::string> LinesWithin(Duration period);

  // "uci" up to "uciok", then "isready" up to "readyok".
  testing::AssertionResult Handshake();
  // Sends "go <arguments>" and collects everything up to the "bestmove" line.
  LinesUntil Go(std::string_view arguments, Duration timeout = kTimeout);

  // The exit code (128 + signal number for a killed engine), or nothing when the engine did
  // not end in time; it is killed then.
  std::optional<int> WaitForExit(Duration timeout = kTimeout);
  // Ends the engine at once, without the clean shutdown the destructor checks.
  void Kill();
  bool Running() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // Everything sent ("> ") and received ("< "), one entry per line or write.
  const std::vector<std::string>& Transcript() const { return transcript_; }

 private:
  void Start(const Options& options);
  // Moves whatever output is ready into the buffer; false once output has ended.
  bool ReadOutput(int waitMilliseconds);
  std::optional<std::string> TakeBufferedLine();
  std::optional<int> Reap(Duration timeout);
  void Record(char direction, std::string_view text);

  pid_t pid_ = -1;
  int input_ = -1;   // the engine's standard input, our end
  int output_ = -1;  // the engine's standard output, our end
  bool outputEnded_ = false;
  std::string buffered_;
  std::vector<std::string> transcript_;
};
