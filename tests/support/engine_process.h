// The real engine binary as a child process behind two pipes, driven the way a chess interface
// drives it. Timeouts only catch a hung engine: keep them generous and never measure speed with
// them. A test that fails gets the whole exchange ("> " sent, "< " received) on stderr. When the
// object goes away with the engine still running, its input is closed and it must end with exit
// code 0 (so a sanitizer report or a crash on the way out fails the test); one that has not ended
// in time hangs at end of input, which fails the test too.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Milliseconds = std::chrono::milliseconds;
// Long enough for a sanitizer build on a busy machine.
constexpr Milliseconds LongWait{10000};

struct EngineOptions {
  std::string binary = QUENDAL_BINARY;
  std::vector<std::string> arguments;
  std::string workingDirectory;  // empty: the test's own
};

class EngineProcess {
 public:
  using Options = EngineOptions;
  explicit EngineProcess(const Options& options = Options{});
  ~EngineProcess();
  EngineProcess(const EngineProcess&) = delete;
  EngineProcess& operator=(const EngineProcess&) = delete;

  // Raw bytes; false (and a test failure) when the engine stopped reading.
  bool Send(std::string_view text);
  bool SendLine(std::string_view line) { return Send(std::string(line) + "\n"); }
  void CloseInput();
  // The next whole line without its "\n" (a "\r" stays), or nothing in time or at end of output.
  std::optional<std::string> ReadLine(Milliseconds timeout = LongWait);
  // Lines up to and including the first that starts with the prefix; empty when none came in time.
  std::vector<std::string> ReadUntil(const std::string& prefix, Milliseconds timeout = LongWait);
  // The exit code (128 + signal for a killed engine), or nothing when it did not end in time.
  std::optional<int> WaitForExit(Milliseconds timeout = LongWait);

 private:
  bool Fill(int milliseconds);  // false once output has ended
  std::optional<int> Reap(Milliseconds timeout);
  void Record(char direction, std::string_view text);

  pid_t pid_ = -1;
  int input_ = -1, output_ = -1;
  bool outputEnded_ = false;
  std::string buffered_;
  std::vector<std::string> transcript_;
};

// Runs tests/data/scripts/<name> (its steps are described in tests/README.md).
void RunScript(const std::string& name, const EngineOptions& options = {});
