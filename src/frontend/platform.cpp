// The platform layer (see platform.h): one branch per system family, Windows, macOS and the
// other Unix systems (Linux first among them).
#include "frontend/platform.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#if defined(__APPLE__)
#include <mach-o/dyld.h>
#include <pthread.h>
#else
#include <sys/syscall.h>
#endif
#endif

#include <string>

constexpr uint64_t LargePage = uint64_t(2) << 20;

#if defined(_WIN32)

static HANDLE HandleOf(int fd) {
  if (fd == 0) return GetStdHandle(STD_INPUT_HANDLE);
  if (fd == 1) return GetStdHandle(STD_OUTPUT_HANDLE);
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// A pipe from an interface and an interactive console both come through ReadFile; a pipe whose
// writer has closed reports ERROR_BROKEN_PIPE, which is the end of input like every other failure.
size_t ReadInput(int fd, char* buffer, size_t size) {
  const HANDLE input = HandleOf(fd);
  if (input == INVALID_HANDLE_VALUE || input == nullptr) return 0;
  DWORD count = 0;
  if (!ReadFile(input, buffer, DWORD(size), &count, nullptr)) return 0;
  return count;
}

// WriteFile below the C runtime: no text-mode translation turns "\n" into "\r\n".
bool WriteOutput(int fd, const char* text, size_t length) {
  const HANDLE output = HandleOf(fd);
  if (output == INVALID_HANDLE_VALUE || output == nullptr) return false;
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(output, text, DWORD(length), &written, nullptr) || written == 0) return false;
    text += written;
    length -= written;
  }
  return true;
}

void RaiseThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL); }

// Large pages need the "lock pages in memory" right, held by few accounts; it must also be
// enabled in the process's token before the first request.
static bool EnableLockMemoryPrivilege() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool enabled =
      LookupPrivilegeValueA(nullptr, "SeLockMemoryPrivilege", &privileges.Privileges[0].Luid) &&
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
      GetLastError() == ERROR_SUCCESS;  // "not all assigned" also returns true
  CloseHandle(token);
  return enabled;
}

// Committed pages are zero-filled; large pages are aligned to their own size (2 MB or more).
void* MapPages(uint64_t bytes, void*& mapping, uint64_t& mappedBytes) {
  const SIZE_T large = GetLargePageMinimum();
  if (large >= LargePage && EnableLockMemoryPrivilege()) {
    const uint64_t size = (bytes + large - 1) / large * large;
    if (void* base = VirtualAlloc(nullptr, SIZE_T(size), MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES,
                                  PAGE_READWRITE)) {
      mapping = base;
      mappedBytes = size;
      return base;
    }
  }
  const uint64_t size = bytes + LargePage;
  void* base = VirtualAlloc(nullptr, SIZE_T(size), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!base) return nullptr;
  mapping = base;
  mappedBytes = size;
  return reinterpret_cast<void*>((reinterpret_cast<uintptr_t>(base) + LargePage - 1) &
                                 ~uintptr_t(LargePage - 1));
}

void UnmapPages(void* mapping, uint64_t) { VirtualFree(mapping, 0, MEM_RELEASE); }

std::filesystem::path ExecutablePath() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
    if (length == 0) return {};
    if (length < name.size()) {
      name.resize(length);
      // The engine opens files by narrow names; a path that has none is not used.
      try {
        const std::filesystem::path path(name);
        (void)path.string();
        return path;
      } catch (...) {
        return {};
      }
    }
    if (name.size() >= 32768) return {};  // longer than any path Windows allows
    name.resize(name.size() * 2);
  }
}

#else

size_t ReadInput(int fd, char* buffer, size_t size) {
  for (;;) {
    const ssize_t count = read(fd, buffer, size);
    if (count < 0 && errno == EINTR) continue;
    return count > 0 ? size_t(count) : 0;
  }
}

bool WriteOutput(int fd, const char* text, size_t length) {
  while (length > 0) {
    const ssize_t written = write(fd, text, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text += written;
    length -= size_t(written);
  }
  return true;
}

#if defined(__APPLE__)
// macOS schedules threads by quality-of-service class rather than by nice value.
void RaiseThreadPriority() { pthread_set_qos_class_self_np(QOS_CLASS_USER_INTERACTIVE, 0); }
#else
// On Linux a nice value belongs to a thread, named by its thread id.
void RaiseThreadPriority() { setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), -1); }
#endif

// Anonymous pages are zero-filled and mapped only when touched, like the heap's.
void* MapPages(uint64_t bytes, void*& mapping, uint64_t& mappedBytes) {
  const uint64_t size = bytes + LargePage;
  void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANON, -1, 0);
  if (base == MAP_FAILED) return nullptr;
  const uintptr_t start =
      (reinterpret_cast<uintptr_t>(base) + LargePage - 1) & ~uintptr_t(LargePage - 1);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(start), bytes, MADV_HUGEPAGE);  // a hint: failure is harmless
#endif
  mapping = base;
  mappedBytes = size;
  return reinterpret_cast<void*>(start);
}

void UnmapPages(void* mapping, uint64_t mappedBytes) { munmap(mapping, mappedBytes); }

#if defined(__APPLE__)
std::filesystem::path ExecutablePath() {
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);  // reports the size needed
  std::string name(size, '\0');
  if (size == 0 || _NSGetExecutablePath(name.data(), &size) != 0) return {};
  name.resize(name.find('\0') == std::string::npos ? name.size() : name.find('\0'));
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(name, error);
  return error ? std::filesystem::path(name) : resolved;
}
#else
std::filesystem::path ExecutablePath() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self;
}
#endif

#endif
