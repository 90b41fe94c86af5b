#include "support/engine_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>

#include "support/support.h"

namespace {
using Clock = std::chrono::steady_clock;

// A write to an engine that has died must fail with EPIPE, not end the test process.
const bool SigpipeIgnored = [] { return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR; }();

int Left(Clock::time_point deadline) {
  return int(std::max<int64_t>(
      0, std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count()));
}
}  // namespace

EngineProcess::EngineProcess(const Options& options) {
  (void)SigpipeIgnored;
  int toEngine[2], fromEngine[2];
  if (pipe2(toEngine, O_CLOEXEC) != 0 || pipe2(fromEngine, O_CLOEXEC) != 0) std::abort();
  // QUENDAL_ENGINE names another command for the built engine ("wine build/windows/quendal.exe").
  const char* engine = std::getenv("QUENDAL_ENGINE");
  std::vector<std::string> words{options.binary};
  if (engine && *engine && options.binary == QUENDAL_BINARY) words = Words(engine);
  words.insert(words.end(), options.arguments.begin(), options.arguments.end());
  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {  // only calls that are safe after fork until exec
    dup2(toEngine[0], STDIN_FILENO);
    dup2(fromEngine[1], STDOUT_FILENO);
    signal(SIGPIPE, SIG_DFL);
    if (options.workingDirectory.empty() || chdir(options.workingDirectory.c_str()) == 0)
      execvp(argv[0], argv.data());
    _exit(127);  // reported as the exit code
  }
  close(toEngine[0]);
  close(fromEngine[1]);
  input_ = toEngine[1];
  output_ = fromEngine[0];
  fcntl(input_, F_SETFL, O_NONBLOCK);
  fcntl(output_, F_SETFL, O_NONBLOCK);
}

EngineProcess::~EngineProcess() {
  if (pid_ > 0) {
    CloseInput();
    const std::optional<int> code = Reap(LongWait);
    if (!code) {
      ADD_FAILURE() << "the engine still ran " << LongWait.count() << " ms after end of input";
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
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

bool EngineProcess::Send(std::string_view text) {
  Record('>', text);
  const auto deadline = Clock::now() + LongWait;
  for (size_t written = 0; written < text.size();) {
    // Keep reading while writing: an engine blocked on a full output pipe reads no input.
    pollfd entries[2] = {{input_, POLLOUT, 0}, {output_, POLLIN, 0}};
    if (input_ < 0 || poll(entries, outputEnded_ ? 1 : 2, Left(deadline)) == 0) {
      ADD_FAILURE() << "the engine took " << written << " of " << text.size() << " bytes";
      return false;
    }
    if (entries[1].revents != 0) Fill(0);
    if (entries[0].revents == 0) continue;
    const ssize_t done = write(input_, text.data() + written, text.size() - written);
    if (done < 0 && errno != EAGAIN && errno != EINTR) {
      ADD_FAILURE() << "writing to the engine: " << std::strerror(errno);
      return false;
    }
    written += size_t(std::max<ssize_t>(done, 0));
  }
  return true;
}

void EngineProcess::CloseInput() {
  if (input_ < 0) return;
  Record('>', "<end of input>");
  close(input_);
  input_ = -1;
}

bool EngineProcess::Fill(int milliseconds) {
  pollfd entry{output_, POLLIN, 0};
  if (outputEnded_ || poll(&entry, 1, milliseconds) <= 0) return !outputEnded_;
  char chunk[65536];
  for (;;) {
    const ssize_t got = read(output_, chunk, sizeof chunk);
    if (got > 0) {
      buffered_.append(chunk, size_t(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
      return !(outputEnded_ = true);
    } else if (errno == EAGAIN) {
      return true;
    }
  }
}

std::optional<std::string> EngineProcess::ReadLine(Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    size_t end = buffered_.find('\n');
    // Output that ends in the middle of a line hands out what there is.
    if (end == std::string::npos && outputEnded_ && !buffered_.empty()) end = buffered_.size();
    if (end != std::string::npos) {
      std::string line = buffered_.substr(0, end);
      buffered_.erase(0, std::min(end + 1, buffered_.size()));
      Record('<', line);
      return line;
    }
    if (outputEnded_ || Left(deadline) == 0) return std::nullopt;
    Fill(Left(deadline));
  }
}

std::vector<std::string> EngineProcess::ReadUntil(const std::string& prefix, Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::vector<std::string> lines;
  while (std::optional<std::string> line = ReadLine(Milliseconds(Left(deadline)))) {
    lines.push_back(*line);
    if (line->starts_with(prefix)) return lines;
  }
  return {};
}

std::optional<int> EngineProcess::WaitForExit(Milliseconds timeout) {
  const std::optional<int> code = pid_ > 0 ? Reap(timeout) : std::nullopt;
  if (!code) ADD_FAILURE() << "the engine did not end within " << timeout.count() << " ms";
  return code;
}

std::optional<int> EngineProcess::Reap(Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (int status = 0;;) {
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      // Take in the last output, so that tests can still read it.
      for (const auto drained = Clock::now() + Milliseconds(1000); Left(drained) && Fill(10);) {
      }
      return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }
    if (Left(deadline) == 0) return std::nullopt;
    if (!Fill(std::min(Left(deadline), 10))) usleep(2000);
  }
}

void EngineProcess::Record(char direction, std::string_view text) {
  if (transcript_.size() >= 4000)
    transcript_.erase(transcript_.begin(), transcript_.begin() + 2000);
  transcript_.push_back(direction + (" " + std::string(text.substr(0, 300))));
}

namespace {
std::string Unescaped(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
    } else if (const char c = text[++i]; c == 'x') {
      bytes += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      bytes += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
  }
  return bytes;
}
}  // namespace

void RunScript(const std::string& name, const EngineOptions& options) {
  std::ifstream in(std::string(QUENDAL_SOURCE_DIR) + "/tests/data/scripts/" + name);
  ASSERT_TRUE(in) << "no script " << name;
  EngineProcess::Options started = options;
  std::unique_ptr<EngineProcess> engine;
  int32_t number = 0;
  for (std::string line; std::getline(in, line) && ++number;) {
    if (line.empty() || line[0] == '#') continue;
    const size_t space = line.find(' ');
    const std::string step = line.substr(0, space);
    const std::string text = space == std::string::npos ? "" : line.substr(space + 1);
    SCOPED_TRACE(name + ":" + std::to_string(number) + ": " + line);
    if (step == "args") {
      started.arguments = Words(text);
      continue;
    }
    if (!engine) engine = std::make_unique<EngineProcess>(started);
    if (step == ">") {
      ASSERT_TRUE(engine->SendLine(text));
    } else if (step == ">>") {
      ASSERT_TRUE(engine->Send(Unescaped(text)));
    } else if (step == "<") {
      ASSERT_EQ(engine->ReadLine().value_or("<nothing>"), Unescaped(text));
    } else if (step == "~") {
      const std::string got = engine->ReadLine().value_or("<nothing>");
      ASSERT_TRUE(Matches(got, text)) << got;
    } else if (step == "...") {
      for (;;) {
        const std::optional<std::string> got = engine->ReadLine();
        ASSERT_TRUE(got) << "no matching line";
        if (Matches(*got, text)) break;
        ASSERT_FALSE(got->starts_with("bestmove") || *got == "readyok") << "passed over: " << *got;
      }
    } else if (step == "!") {
      const auto end = Clock::now() + Milliseconds(std::stoi(text));
      while (const std::optional<std::string> got = engine->ReadLine(Milliseconds(Left(end))))
        ASSERT_TRUE(got->starts_with("info ")) << "unexpected: " << *got;
    } else if (step == "close") {
      engine->CloseInput();
    } else if (step == "exit") {
      ASSERT_EQ(engine->WaitForExit(), std::stoi(text));
    } else {
      FAIL() << "unknown step";
    }
  }
}
