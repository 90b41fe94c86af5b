#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A write to an engine that has died must fail with EPIPE, not end the test process.
const bool kSigpipeIgnored = [] {
  std::signal(SIGPIPE, SIG_IGN);
  return true;
}();

int MillisecondsUntil(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return int(std::max<int64_t>(0, left.count()));
}

// Makes control characters visible in the transcript.
std::string Escaped(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c == '\r') {
      result += "\\r";
    } else if (c == '\n') {
      result += "\\n";
    } else if (c == '\t') {
      result += "\\t";
    } else if ((unsigned char)c < 32) {
      result += "\\x" + std::to_string(int(c));
    } else {
      result += c;
    }
  }
  return result;
}

int PollOne(int fd, short events, int milliseconds) {
  pollfd entry{fd, events, 0};
  int ready;
  do {
    ready = poll(&entry, 1, milliseconds);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 ? entry.revents : 0;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const LinesUntil& lines) {
  out << (lines.found ? "matched after " : "no match among ") << lines.lines.size() << " lines:";
  for (const std::string& line : lines.lines) out << "\n  < " << Escaped(line);
  return out;
}

EngineProcess::EngineProcess() : EngineProcess(Options{}) {}

EngineProcess::EngineProcess(Options options) {
  (void)kSigpipeIgnored;
  Start(options);
}

EngineProcess::~EngineProcess() {
  // Every test also checks that the engine shuts down cleanly at end of input: a sanitizer
  // report or a crash on the way out shows up as an exit code. An engine still busy (a search
  // left running) is simply killed.
  if (Running()) {
    CloseInput();
    std::optional<int> code = Reap(kShutdownTimeout);
    if (!code) {
      Kill();
    } else if (*code != 0) {
      ADD_FAILURE() << "the engine ended with exit code " << *code << " at end of input";
    }
  }
  if (input_ >= 0) close(input_);
  if (output_ >= 0) close(output_);
  if (testing::Test::HasFailure()) {
    std::cerr << "Exchange with the engine:\n";
    for (const std::string& entry : transcript_) std::cerr << "  " << entry << "\n";
  }
}

void EngineProcess::Start(const Options& options) {
  int toEngine[2], fromEngine[2];
  if (pipe2(toEngine, O_CLOEXEC) != 0 || pipe2(fromEngine, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2: " << std::strerror(errno);
    outputEnded_ = true;
    return;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toEngine[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromEngine[1], STDOUT_FILENO);
  if (!options.workingDirectory.empty())
    posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());

  // The test process ignores SIGPIPE; the engine gets the ordinary dispositions back.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, mask;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigemptyset(&mask);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &mask);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(options.binary.c_str()));
  for (const std::string& argument : options.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int error =
      posix_spawn(&pid_, options.binary.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(toEngine[0]);
  close(fromEngine[1]);
  input_ = toEngine[1];
  output_ = fromEngine[0];
  fcntl(input_, F_SETFL, fcntl(input_, F_GETFL) | O_NONBLOCK);
  fcntl(output_, F_SETFL, fcntl(output_, F_GETFL) | O_NONBLOCK);
  if (error != 0) {
    ADD_FAILURE() << "cannot start " << options.binary << ": " << std::strerror(error);
    pid_ = -1;
    outputEnded_ = true;
  }
}

bool EngineProcess::Send(std::string_view text, Duration timeout) {
  Record('>', text);
  if (input_ < 0) {
    ADD_FAILURE() << "sending after the input was closed: " << Escaped(text);
    return false;
  }
  const auto deadline = Clock::now() + timeout;
  size_t written = 0;
  while (written < text.size()) {
    // Keep reading while writing: an engine blocked on a full output pipe reads no input.
    pollfd entries[2] = {{input_, POLLOUT, 0}, {output_, POLLIN, 0}};
    int count = outputEnded_ ? 1 : 2;
    int ready = poll(entries, count, MillisecondsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      ADD_FAILURE() << "the engine took only " << written << " of " << text.size()
                    << " bytes within " << timeout.count() << " ms";
      return false;
    }
    if (count == 2 && entries[1].revents != 0) ReadOutput(0);
    if (entries[0].revents == 0) continue;
    ssize_t done = write(input_, text.data() + written, text.size() - written);
    if (done < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (done < 0) {
      ADD_FAILURE() << "writing to the engine: " << std::strerror(errno);
      return false;
    }
    written += size_t(done);
  }
  return true;
}

bool EngineProcess::SendLine(std::string_view line, Duration timeout) {
  return Send(std::string(line) + "\n", timeout);
}

void EngineProcess::CloseInput() {
  if (input_ < 0) return;
  Record('>', "<end of input>");
  close(input_);
  input_ = -1;
}

bool EngineProcess::ReadOutput(int waitMilliseconds) {
  if (outputEnded_) return false;
  if (PollOne(output_, POLLIN, waitMilliseconds) == 0) return true;
  char chunk[65536];
  for (;;) {
    ssize_t got = read(output_, chunk, sizeof chunk);
    if (got > 0) {
      buffered_.append(chunk, size_t(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) return true;
    outputEnded_ = true;  // end of output, or an error that ends it just as well
    return false;
  }
}

std::optional<std::string> EngineProcess::TakeBufferedLine() {
  size_t end = buffered_.find('\n');
  if (end == std::string::npos) {
    // Output ended in the middle of a line: hand out what there is.
    if (!outputEnded_ || buffered_.empty()) return std::nullopt;
    end = buffered_.size();
  }
  std::string line = buffered_.substr(0, end);
  buffered_.erase(0, std::min(end + 1, buffered_.size()));
  Record('<', line);
  return line;
}

std::optional<std::string> EngineProcess::ReadLine(Duration timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (auto line = TakeBufferedLine()) return line;
    if (outputEnded_) return std::nullopt;
    int left = MillisecondsUntil(deadline);
    if (left == 0) return std::nullopt;
    ReadOutput(left);
  }
}

testing::AssertionResult EngineProcess::ExpectLine(std::string_view expected, Duration timeout) {
  std::optional<std::string> line = ReadLine(timeout);
  if (!line) {
    return testing::AssertionFailure()
           << "expected \"" << Escaped(expected) << "\", got "
           << (outputEnded_ ? "end of output"
                            : "nothing within " + std::to_string(timeout.count()) + " ms");
  }
  if (*line != expected) {
    return testing::AssertionFailure()
           << "expected \"" << Escaped(expected) << "\", got \"" << Escaped(*line) << "\"";
  }
  return testing::AssertionSuccess();
}

LinesUntil EngineProcess::WaitForLine(const std::function<bool(const std::string&)>& matches,
                                      Duration timeout) {
  const auto deadline = Clock::now() + timeout;
  LinesUntil result;
  while (std::optional<std::string> line = ReadLine(Duration(MillisecondsUntil(deadline)))) {
    result.lines.push_back(std::move(*line));
    if (matches(result.lines.back())) {
      result.found = true;
      break;
    }
  }
  return result;
}

LinesUntil EngineProcess::WaitForLine(std::string_view prefix, Duration timeout) {
  std::string wanted(prefix);
  return WaitForLine([&](const std::string& line) { return line.starts_with(wanted); }, timeout);
}

std::vector<std::string> EngineProcess::LinesWithin(Duration period) {
  const auto deadline = Clock::now() + period;
  std::vector<std::string> lines;
  while (std::optional<std::string> line = ReadLine(Duration(MillisecondsUntil(deadline))))
    lines.push_back(std::move(*line));
  return lines;
}

testing::AssertionResult EngineProcess::Handshake() {
  for (std::string_view command : {"uci", "isready"}) {
    std::string answer = command == "uci" ? "uciok" : "readyok";
    SendLine(command);
    LinesUntil lines = WaitForLine([&](const std::string& line) { return line == answer; });
    if (!lines) return testing::AssertionFailure() << "\"" << command << "\": " << lines;
  }
  return testing::AssertionSuccess();
}

LinesUntil EngineProcess::Go(std::string_view arguments, Duration timeout) {
  SendLine(arguments.empty() ? std::string("go") : "go " + std::string(arguments));
  return WaitForLine("bestmove", timeout);
}

std::optional<int> EngineProcess::WaitForExit(Duration timeout) {
  if (!Running()) {
    ADD_FAILURE() << "waiting for an engine that is not running";
    return std::nullopt;
  }
  if (std::optional<int> code = Reap(timeout)) return code;
  ADD_FAILURE() << "the engine did not end within " << timeout.count() << " ms; killed";
  Kill();
  return std::nullopt;
}

std::optional<int> EngineProcess::Reap(Duration timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      // Take in the last output so tests can still read it.
      const auto drained = Clock::now() + std::chrono::seconds(1);
      while (ReadOutput(MillisecondsUntil(drained)) && MillisecondsUntil(drained) > 0) {
      }
      return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
    int left = MillisecondsUntil(deadline);
    if (left == 0) return std::nullopt;
    // Draining output doubles as the pause between looks.
    if (!ReadOutput(std::min(left, 10))) usleep(2000);
  }
}

void EngineProcess::Kill() {
  if (!Running()) return;
  Record('>', "<killed>");
  kill(pid_, SIGKILL);
  int status;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

void EngineProcess::Record(char direction, std::string_view text) {
  // Long exchanges (stress, self-play) keep only their recent part.
  if (transcript_.size() >= 4000) {
    transcript_.erase(transcript_.begin(), transcript_.begin() + 2000);
    transcript_.insert(transcript_.begin(), "... (earlier lines dropped)");
  }
  std::string shown = Escaped(text.substr(0, 300));
  if (text.size() > 300) shown += "... (" + std::to_string(text.size()) + " bytes)";
  transcript_.push_back(std::string(1, direction) + " " + shown);
}
