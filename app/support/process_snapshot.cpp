#include "app/support/process_snapshot.h"

#include "app/support/signal_safe_io.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>

namespace vidmora::crash {

const Mapping* Snapshot::MappingAt(uint64_t address) const {
  for (size_t i = 0; i < mappingCount; ++i)
    if (address >= mappings[i].start && address < mappings[i].end) return &mappings[i];
  return nullptr;
}

const Module* Snapshot::ModuleAt(uint64_t address) const {
  for (size_t i = 0; i < moduleCount; ++i)
    if (address >= modules[i].base && address < modules[i].end) return &modules[i];
  return nullptr;
}

void ContextFromSignal(const void* ucontext, CpuContext& out) {
#if defined(__x86_64__)
  const auto* context = static_cast<const ucontext_t*>(ucontext);
  const greg_t* regs = context->uc_mcontext.gregs;
  out.rax = static_cast<uint64_t>(regs[REG_RAX]);
  out.rbx = static_cast<uint64_t>(regs[REG_RBX]);
  out.rcx = static_cast<uint64_t>(regs[REG_RCX]);
  out.rdx = static_cast<uint64_t>(regs[REG_RDX]);
  out.rsi = static_cast<uint64_t>(regs[REG_RSI]);
  out.rdi = static_cast<uint64_t>(regs[REG_RDI]);
  out.rbp = static_cast<uint64_t>(regs[REG_RBP]);
  out.rsp = static_cast<uint64_t>(regs[REG_RSP]);
  out.r8 = static_cast<uint64_t>(regs[REG_R8]);
  out.r9 = static_cast<uint64_t>(regs[REG_R9]);
  out.r10 = static_cast<uint64_t>(regs[REG_R10]);
  out.r11 = static_cast<uint64_t>(regs[REG_R11]);
  out.r12 = static_cast<uint64_t>(regs[REG_R12]);
  out.r13 = static_cast<uint64_t>(regs[REG_R13]);
  out.r14 = static_cast<uint64_t>(regs[REG_R14]);
  out.r15 = static_cast<uint64_t>(regs[REG_R15]);
  out.rip = static_cast<uint64_t>(regs[REG_RIP]);
  out.eflags = static_cast<uint32_t>(regs[REG_EFL]);
  // CSGSFS packs cs, gs and fs as 16-bit fields.
  const auto segments = static_cast<uint64_t>(regs[REG_CSGSFS]);
  out.cs = static_cast<uint16_t>(segments & 0xFFFF);
  out.gs = static_cast<uint16_t>(segments >> 16 & 0xFFFF);
  out.fs = static_cast<uint16_t>(segments >> 32 & 0xFFFF);
  if (context->uc_mcontext.fpregs != nullptr) {
    static_assert(sizeof(*context->uc_mcontext.fpregs) >= sizeof(out.floatingPoint));
    std::memcpy(out.floatingPoint, context->uc_mcontext.fpregs, sizeof(out.floatingPoint));
    out.hasFloatingPoint = true;
  }
#else
  (void)ucontext;
  (void)out;
#endif
}

CrashInfo::Access AccessOfFault(const void* ucontext) {
#if defined(__x86_64__)
  const auto* context = static_cast<const ucontext_t*>(ucontext);
  constexpr greg_t kPageFault = 14;
  if (context->uc_mcontext.gregs[REG_TRAPNO] != kPageFault) return CrashInfo::Access::kUnknown;
  // Bit 1 of the page-fault error code: the access was a write.
  return (context->uc_mcontext.gregs[REG_ERR] & 2) != 0 ? CrashInfo::Access::kWrite : CrashInfo::Access::kRead;
#else
  (void)ucontext;
  return CrashInfo::Access::kUnknown;
#endif
}

namespace {

void ProcPath(FixedText& text, pid_t pid, const char* leaf) { text.Add("/proc/").Dec(pid).Add(leaf); }

uint32_t KeepPath(Snapshot& snapshot, const char* path, size_t length) {
  if (snapshot.pathsUsed + length + 1 > sizeof(snapshot.paths)) return UINT32_MAX;
  auto start = static_cast<uint32_t>(snapshot.pathsUsed);
  std::memcpy(snapshot.paths + start, path, length);
  snapshot.paths[start + length] = '\0';
  snapshot.pathsUsed += length + 1;
  return start;
}

// One line of /proc/PID/maps: "start-end perms offset dev inode   path".
bool ParseMapping(const char* line, Snapshot& snapshot, Mapping& out) {
  const char* cursor = line;
  out.start = ParseHex(&cursor);
  if (*cursor++ != '-') return false;
  out.end = ParseHex(&cursor);
  if (*cursor++ != ' ') return false;
  out.readable = cursor[0] == 'r';
  out.executable = cursor[2] == 'x';
  cursor += 4;
  if (*cursor++ != ' ') return false;
  out.offset = ParseHex(&cursor);
  // Device and inode.
  for (int field = 0; field < 2; ++field) {
    while (*cursor == ' ') ++cursor;
    while (*cursor != ' ' && *cursor != '\0') ++cursor;
  }
  while (*cursor == ' ') ++cursor;
  out.pathLength = 0;
  if (*cursor != '\0') {
    size_t length = Length(cursor);
    uint32_t start = KeepPath(snapshot, cursor, length);
    if (start != UINT32_MAX) {
      out.pathStart = start;
      out.pathLength = static_cast<uint32_t>(length);
    }
  }
  return true;
}

bool SamePath(const Snapshot& snapshot, const Module& module, const Mapping& mapping) {
  return mapping.pathLength == module.pathLength &&
         std::memcmp(snapshot.PathOf(mapping.pathStart), snapshot.PathOf(module.pathStart), module.pathLength) == 0;
}

void CollectModules(Snapshot& snapshot) {
  snapshot.moduleCount = 0;
  Module* current = nullptr;
  for (size_t i = 0; i < snapshot.mappingCount; ++i) {
    const Mapping& mapping = snapshot.mappings[i];
    if (mapping.pathLength == 0 || snapshot.PathOf(mapping.pathStart)[0] != '/') {
      // Anonymous mappings (such as a library's .bss) may sit inside a module.
      continue;
    }
    if (current != nullptr && SamePath(snapshot, *current, mapping)) {
      current->end = mapping.end;
      current->executable = current->executable || mapping.executable;
      continue;
    }
    if (mapping.offset != 0 || snapshot.moduleCount == kMaxModules) {
      current = nullptr;
      continue;
    }
    current = &snapshot.modules[snapshot.moduleCount++];
    current->base = mapping.start;
    current->end = mapping.end;
    current->pathStart = mapping.pathStart;
    current->pathLength = mapping.pathLength;
    current->executable = mapping.executable;
  }
  // Fonts, caches and other mapped data files are not modules.
  size_t kept = 0;
  for (size_t i = 0; i < snapshot.moduleCount; ++i)
    if (snapshot.modules[i].executable) snapshot.modules[kept++] = snapshot.modules[i];
  snapshot.moduleCount = kept;
}

#if defined(__x86_64__)
void ContextFromPtrace(const user_regs_struct& regs, CpuContext& out) {
  out.rax = regs.rax;
  out.rbx = regs.rbx;
  out.rcx = regs.rcx;
  out.rdx = regs.rdx;
  out.rsi = regs.rsi;
  out.rdi = regs.rdi;
  out.rbp = regs.rbp;
  out.rsp = regs.rsp;
  out.r8 = regs.r8;
  out.r9 = regs.r9;
  out.r10 = regs.r10;
  out.r11 = regs.r11;
  out.r12 = regs.r12;
  out.r13 = regs.r13;
  out.r14 = regs.r14;
  out.r15 = regs.r15;
  out.rip = regs.rip;
  out.eflags = static_cast<uint32_t>(regs.eflags);
  out.cs = static_cast<uint16_t>(regs.cs);
  out.ds = static_cast<uint16_t>(regs.ds);
  out.es = static_cast<uint16_t>(regs.es);
  out.fs = static_cast<uint16_t>(regs.fs);
  out.gs = static_cast<uint16_t>(regs.gs);
  out.ss = static_cast<uint16_t>(regs.ss);
}
#endif

// Stops a thread of another process and reads its registers.
bool StopAndRead(pid_t thread, ThreadState& out) {
#if defined(__x86_64__)
  // Seizing sends no SIGSTOP, so nothing is left pending when the thread is let go.
  if (ptrace(PTRACE_SEIZE, thread, nullptr, nullptr) != 0) return false;
  if (ptrace(PTRACE_INTERRUPT, thread, nullptr, nullptr) != 0) {
    ptrace(PTRACE_DETACH, thread, nullptr, nullptr);
    return false;
  }
  int status = 0;
  while (waitpid(thread, &status, __WALL) < 0) {
    if (errno != EINTR) {
      ptrace(PTRACE_DETACH, thread, nullptr, nullptr);
      return false;
    }
  }
  user_regs_struct regs{};
  if (ptrace(PTRACE_GETREGS, thread, nullptr, &regs) != 0) {
    ptrace(PTRACE_DETACH, thread, nullptr, nullptr);
    return false;
  }
  ContextFromPtrace(regs, out.context);
  user_fpregs_struct fp{};
  static_assert(sizeof(fp) == sizeof(out.context.floatingPoint));
  if (ptrace(PTRACE_GETFPREGS, thread, nullptr, &fp) == 0) {
    std::memcpy(out.context.floatingPoint, &fp, sizeof(fp));
    out.context.hasFloatingPoint = true;
  }
  out.hasContext = true;
  return true;
#else
  (void)thread;
  (void)out;
  return false;
#endif
}

void ReadThreadName(pid_t pid, pid_t thread, char (&name)[17]) {
  char pathBuffer[64];
  FixedText path(pathBuffer, sizeof(pathBuffer));
  ProcPath(path, pid, "/task/");
  path.Dec(thread).Add("/comm");
  name[0] = '\0';
  int fd = open(path.Data(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ssize_t got = read(fd, name, sizeof(name) - 1);
  close(fd);
  size_t length = got > 0 ? static_cast<size_t>(got) : 0;
  while (length > 0 && name[length - 1] == '\n') --length;
  name[length] = '\0';
}

}  // namespace

bool ReadMappings(pid_t pid, Snapshot& snapshot) {
  char pathBuffer[64];
  FixedText path(pathBuffer, sizeof(pathBuffer));
  ProcPath(path, pid, "/maps");
  int fd = open(path.Data(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  static char lineBuffer[kMaxPath + 256];
  LineReader reader(fd, lineBuffer, sizeof(lineBuffer));
  snapshot.mappingCount = 0;
  snapshot.pathsUsed = 0;
  const char* line = nullptr;
  size_t length = 0;
  while (snapshot.mappingCount < kMaxMappings && reader.Next(&line, &length)) {
    if (ParseMapping(line, snapshot, snapshot.mappings[snapshot.mappingCount])) ++snapshot.mappingCount;
  }
  close(fd);
  CollectModules(snapshot);
  return true;
}

void ReadThreads(const CrashInfo& crash, pid_t ownMemory, bool stopOthers, Snapshot& snapshot) {
  snapshot.threadCount = 0;
  // The crashing thread comes first: readers take the first thread as the one to show.
  ThreadState& crashing = snapshot.threads[snapshot.threadCount++];
  crashing.id = crash.threadId;
  crashing.context = crash.context;
  crashing.hasContext = true;
  crashing.memoryOwner = ownMemory;
  ReadThreadName(crash.processId, crash.threadId, crashing.name);

  char pathBuffer[64];
  FixedText path(pathBuffer, sizeof(pathBuffer));
  ProcPath(path, crash.processId, "/task");
  int fd = open(path.Data(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  alignas(8) static char entries[8192];
  for (;;) {
    long got = syscall(SYS_getdents64, fd, entries, sizeof(entries));
    if (got <= 0) break;
    for (long offset = 0; offset < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(entries + offset);
      offset += entry->d_reclen;
      const char* name = entry->d_name;
      if (name[0] < '0' || name[0] > '9') continue;
      auto thread = static_cast<pid_t>(ParseDec(&name));
      if (thread == crash.threadId || snapshot.threadCount == kMaxThreads) continue;
      ThreadState& state = snapshot.threads[snapshot.threadCount++];
      state = ThreadState{};
      state.id = thread;
      state.memoryOwner = crash.processId;
      ReadThreadName(crash.processId, thread, state.name);
      if (stopOthers) StopAndRead(thread, state);
    }
  }
  close(fd);
}

void ReleaseThreads(const Snapshot& snapshot, const CrashInfo& crash) {
  for (size_t i = 0; i < snapshot.threadCount; ++i) {
    const ThreadState& state = snapshot.threads[i];
    if (state.id != crash.threadId && state.hasContext) ptrace(PTRACE_DETACH, state.id, nullptr, nullptr);
  }
}

}  // namespace vidmora::crash
