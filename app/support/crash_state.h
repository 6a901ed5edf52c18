#pragma once

// What the crash reporter knows about a crash: the settings fixed at
// installation, the crashing thread's signal and registers, and the snapshot
// of the process (memory map, modules, threads) taken while reporting. All of
// it lives in fixed-size storage reserved at installation.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace vidmora::crash {

inline constexpr size_t kMaxPath = 4096;
inline constexpr size_t kMaxMappings = 8192;
inline constexpr size_t kMaxModules = 1024;
inline constexpr size_t kMaxThreads = 512;
inline constexpr size_t kPathPoolSize = size_t{512} * 1024;

// The registers of one thread (x86-64), as a signal context or ptrace gives them.
struct CpuContext {
  uint64_t rax = 0, rbx = 0, rcx = 0, rdx = 0, rsi = 0, rdi = 0, rbp = 0, rsp = 0;
  uint64_t r8 = 0, r9 = 0, r10 = 0, r11 = 0, r12 = 0, r13 = 0, r14 = 0, r15 = 0;
  uint64_t rip = 0;
  uint32_t eflags = 0;
  uint16_t cs = 0, ds = 0, es = 0, fs = 0, gs = 0, ss = 0;
  bool hasFloatingPoint = false;
  alignas(16) uint8_t floatingPoint[512] = {};  // the FXSAVE area
};

// Fixed at installation.
struct ReporterSettings {
  char crashFolder[kMaxPath] = {};
  char executable[kMaxPath] = {};
  char version[32] = {};
  long utcOffsetSeconds = 0;  // of local time, for the module's date
  int processorCount = 0;
  char cpuVendor[12] = {};     // as the processor names itself ("GenuineIntel")
};

// The signal as the crashing thread received it.
struct CrashInfo {
  int signal = 0;
  int code = 0;
  uint64_t faultAddress = 0;
  pid_t processId = 0;
  pid_t threadId = 0;
  enum class Access { kUnknown, kRead, kWrite } access = Access::kUnknown;
  CpuContext context;
};

struct Mapping {
  uint64_t start = 0, end = 0, offset = 0;
  bool readable = false, executable = false;
  uint32_t pathStart = 0;   // into Snapshot::paths
  uint32_t pathLength = 0;  // 0: anonymous
};

// A file mapped into the process: from its first mapping at offset 0 to the
// end of its last one.
struct Module {
  uint64_t base = 0, end = 0;
  uint32_t pathStart = 0, pathLength = 0;
  bool executable = false;  // has code mapped: a library or program, not a mapped data file
};

struct ThreadState {
  pid_t id = 0;
  char name[17] = {};
  bool hasContext = false;
  pid_t memoryOwner = 0;  // the process whose memory holds this thread's stack as it stood
  CpuContext context;
};

// The process as it stood when the report was made.
struct Snapshot {
  Mapping mappings[kMaxMappings];
  size_t mappingCount = 0;
  Module modules[kMaxModules];
  size_t moduleCount = 0;
  ThreadState threads[kMaxThreads];
  size_t threadCount = 0;
  char paths[kPathPoolSize];
  size_t pathsUsed = 0;

  const char* PathOf(uint32_t start) const { return paths + start; }
  const Mapping* MappingAt(uint64_t address) const;
  const Module* ModuleAt(uint64_t address) const;
};

}  // namespace vidmora::crash
