// The millisecond tick and output where every line leaves the process in one write, so that
// lines from the input thread and the search never mix.
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "frontend/frontend.h"
#include "frontend/platform.h"

uint32_t TickCount() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return uint32_t(uint64_t(ms));
}

// When the interface has gone, nothing sensible is left to do with the line.
static void WriteWhole(const char* text, size_t length) {
  WriteOutput(OutputDescriptor, text, length);
}

static std::string FormatLine(const char* format, va_list arguments) {
  va_list copy;
  va_copy(copy, arguments);
  char local[512];
  const int length = std::vsnprintf(local, sizeof local, format, copy);
  va_end(copy);
  if (length < 0) return std::string("\n");
  std::string line;
  if (size_t(length) < sizeof local) {
    line.assign(local, size_t(length));
  } else {
    line.resize(size_t(length) + 1);
    std::vsnprintf(line.data(), line.size(), format, arguments);
    line.resize(size_t(length));
  }
  line.push_back('\n');
  return line;
}

void WriteLine(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string line = FormatLine(format, arguments);
  va_end(arguments);
  WriteWhole(line.data(), line.size());
}

void WriteDiagnostic(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string line = FormatLine(format, arguments);
  va_end(arguments);
  if (DiagnosticsEnabled) WriteWhole(line.data(), line.size());
}

void* AllocZeroed(uint32_t size) {
  void* block = std::calloc(size ? size : 1, 1);
  // The one error message the engine has; 0x81 is the DOS code page's u-umlaut.
  if (!block) WriteDiagnostic("%u Bytes Arbeitsspeicher nicht mehr verf\x81gbar", size);
  return block;
}
