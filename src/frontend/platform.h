// The platform layer: the few things the engine needs from the operating system beyond the
// standard library. Reading standard input, raising the input thread's priority, writing one
// output line in one call, mapping the transposition table's memory and finding the engine's own
// file differ between Linux, macOS and Windows; each is done here, so that no other file depends
// on a system header or asks which system it runs on. None of it is on the search's hot path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

// Reads at most `size` bytes of the input `fd` (0 is standard input) into `buffer`, waiting for
// at least one. Returns the count, or 0 at the end of input and on any failure (on Windows a pipe
// whose writer has gone is the end of input).
size_t ReadInput(int fd, char* buffer, size_t size);

// Writes `length` bytes to the output `fd` (1 is standard output) as they are, in as few calls as
// the system allows (one for a line): lines end in "\n", never translated. False when the output
// has gone.
bool WriteOutput(int fd, const char* text, size_t length);

// Asks for the calling thread to run above normal priority; without the privilege nothing changes.
void RaiseThreadPriority();

// Zero-filled memory of at least `bytes`, its start on a 2 MB boundary so that the system can back
// it with large pages (on Windows, large pages proper when the account may lock memory). Null when
// no mapping is possible; `mapping` and `mappedBytes` are what UnmapPages is given back.
void* MapPages(uint64_t bytes, void*& mapping, uint64_t& mappedBytes);
void UnmapPages(void* mapping, uint64_t mappedBytes);

// The running executable's own file; empty when the system does not say.
std::filesystem::path ExecutablePath();

// Assembler directives around data assembled into the engine: open a read-only data section, and
// return to the section the compiler was in. The COFF assembler has no section stack; there the
// compiler is in its code section wherever it places file-scope assembly, and returns to it.
#if defined(_WIN32)
#define QUENDAL_ASM_READONLY_BEGIN ".section .rdata,\"dr\"\n"
#define QUENDAL_ASM_READONLY_END "\n.text"
#elif defined(__APPLE__)
#define QUENDAL_ASM_READONLY_BEGIN ".pushsection __TEXT,__const\n"
#define QUENDAL_ASM_READONLY_END "\n.popsection"
#else
#define QUENDAL_ASM_READONLY_BEGIN ".pushsection .rodata\n"
#define QUENDAL_ASM_READONLY_END "\n.popsection"
#endif
