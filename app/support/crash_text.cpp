#include "app/support/crash_text.h"

#include "app/support/signal_safe_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace vidmora::crash {

namespace {

constexpr int kMaxFrames = 20;

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
  }
}

// Month, day and year of a time stamp, shifted to local time by the offset
// taken at installation (converting time zones is not safe in a handler).
void AddDate(FixedText& text, int64_t seconds) {
  int64_t days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
  // Civil date from days since 1970-01-01 (Howard Hinnant's algorithm).
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  if (month < 10) text.Add("0");
  text.Dec(month).Add("/");
  if (day < 10) text.Add("0");
  text.Dec(day).Add("/").Dec(year);
}

void AddSystem(FixedText& text) {
  struct utsname names {};
  text.Add("\r\nLinux:  ");
  if (uname(&names) != 0) {
    text.Add("unknown");
    return;
  }
  // "6.1.0-18-amd64" gives 6.1.0.
  const char* cursor = names.release;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) text.Add(".");
    text.Dec(static_cast<int64_t>(ParseDec(&cursor)));
    if (*cursor == '.') ++cursor;
  }
  text.Add(", Kernel ").Add(names.release).Add(", Machine ").Add(names.machine);
}

void AddRegisters(FixedText& text, const CpuContext& c) {
  struct Named {
    const char* name;
    uint64_t value;
  };
  const Named rows[][4] = {
      {{"RAX", c.rax}, {"RBX", c.rbx}, {"RCX", c.rcx}, {"RDX", c.rdx}},
      {{"RSI", c.rsi}, {"RDI", c.rdi}, {"RSP", c.rsp}, {"RBP", c.rbp}},
      {{"R8", c.r8}, {"R9", c.r9}, {"R10", c.r10}, {"R11", c.r11}},
      {{"R12", c.r12}, {"R13", c.r13}, {"R14", c.r14}, {"R15", c.r15}},
  };
  text.Add("\r\nRegisters:");
  for (const auto& row : rows) {
    text.Add("\r\n");
    for (int i = 0; i < 4; ++i) {
      if (i > 0) text.Add("  ");
      text.Add(row[i].name).Add(": ").Hex(row[i].value, 16);
    }
  }
  text.Add("\r\nRIP: ").Hex(c.rip, 16).Add("  EFlags: ").Hex(c.eflags, 8);
}

void AddModuleLine(FixedText& text, const Snapshot& snapshot, const Module& module, long utcOffset) {
  const char* path = snapshot.PathOf(module.pathStart);
  text.Add("\r\nModule:  ").Add(path);
  struct stat status {};
  if (stat(path, &status) == 0) {
    text.Add("\r\nDate Modified:  ");
    AddDate(text, static_cast<int64_t>(status.st_mtime) + utcOffset);
  }
}

bool IsExecutable(const Snapshot& snapshot, uint64_t address) {
  const Mapping* mapping = snapshot.MappingAt(address);
  return mapping != nullptr && mapping->executable;
}

// The frame-pointer chain from the crash: each frame holds the caller's frame
// pointer and then the return address. Unreadable frames end the walk.
void AddCallStack(FixedText& text, const Snapshot& snapshot, const CrashInfo& crash) {
  text.Add("\r\nCall Stack:");
  const pid_t memory = snapshot.threads[0].memoryOwner;
  uint64_t frame = crash.context.rbp;
  uint64_t returnAddress = crash.context.rip;
  const Module* previous = nullptr;
  for (int index = 0; index < kMaxFrames; ++index) {
    uint64_t saved[7] = {};
    // The crash's own address is shown even when the frame pointer holds no frame.
    const bool frameReadable = ReadProcessMemory(memory, frame, saved, 8);
    if ((index > 0 && !frameReadable) || !IsExecutable(snapshot, returnAddress)) break;
    const Module* module = snapshot.ModuleAt(returnAddress);
    if (module != nullptr) {
      if (module != previous) text.Add("\r\n").Hex(module->base, 16).Add("  ").Add(snapshot.PathOf(module->pathStart));
      text.Add("\r\n  +").Hex(returnAddress - module->base, 8);
      if (index == 0) {
        text.Add("  Exception Offset");
      } else if (ReadProcessMemory(memory, frame, saved, sizeof(saved))) {
        text.Add("  (");
        for (int word = 2; word < 7; ++word) text.Add(word > 2 ? ", " : "").Hex(saved[word]);
        text.Add(")");
      }
    } else {
      text.Add("\r\n").Hex(returnAddress, 16);
    }
    previous = module;
    uint64_t next[2] = {};
    // The chain runs toward the stack's base; anything else is not a frame.
    if (!frameReadable || !ReadProcessMemory(memory, frame, next, sizeof(next)) || next[0] <= frame) break;
    frame = next[0];
    returnAddress = next[1];
  }
}

void AddCrash(FixedText& text, const ReporterSettings& settings, const CrashInfo& crash, const Snapshot& snapshot) {
  const Module* module = snapshot.ModuleAt(crash.context.rip);
  if (module != nullptr)
    AddModuleLine(text, snapshot, *module, settings.utcOffsetSeconds);
  else
    text.Add("\r\nException Addr:  ").Hex(crash.context.rip, 16);
  text.Add("\r\nSignal:  ").Dec(crash.signal).Add(" (").Add(SignalName(crash.signal)).Add("), Code ").Dec(crash.code);
  // Only a fault the processor raised has an address (a signal sent with kill has a sender instead).
  if ((crash.signal == SIGSEGV || crash.signal == SIGBUS) && crash.code > 0) {
    const char* access = crash.access == CrashInfo::Access::kWrite  ? "Write"
                         : crash.access == CrashInfo::Access::kRead ? "Read"
                                                                     : "Fault";
    text.Add("\r\n").Add(access).Add(" Address:  ").Hex(crash.faultAddress, 16);
  }
  text.Add("\r\nInstruction:");
  unsigned char bytes[16];
  if (ReadProcessMemory(snapshot.threads[0].memoryOwner, crash.context.rip, bytes, sizeof(bytes)))
    for (unsigned char byte : bytes) text.Add(" ").Hex(byte, 2);
  AddRegisters(text, crash.context);
  AddCallStack(text, snapshot, crash);
}

void AddThreads(FixedText& text, const Snapshot& snapshot, const CrashInfo* crash) {
  text.Add("\r\nThreads:  ").Dec(static_cast<int64_t>(snapshot.threadCount));
  for (size_t i = 0; i < snapshot.threadCount; ++i) {
    const ThreadState& thread = snapshot.threads[i];
    text.Add("\r\n  ").Dec(thread.id).Add("  ").Add(thread.name);
    if (crash != nullptr && thread.id == crash->threadId) text.Add("  (crashed)");
  }
}

void AddModules(FixedText& text, const Snapshot& snapshot) {
  text.Add("\r\nModules:");
  for (size_t i = 0; i < snapshot.moduleCount; ++i)
    text.Add("\r\n").Hex(snapshot.modules[i].base, 16).Add("  ").Add(snapshot.PathOf(snapshot.modules[i].pathStart));
}

}  // namespace

bool WriteCrashText(const char* path, const ReporterSettings& settings, const CrashInfo* crash,
                    const Snapshot& snapshot) {
  static char utf8[64 * 1024];
  FixedText text(utf8, sizeof(utf8));
  AddSystem(text);
  text.Add("\r\nProcess:  ").Add(settings.executable);
  text.Add("\r\nVersion:  ").Add(settings.version).Add(" ");
  if (crash != nullptr) AddCrash(text, settings, *crash, snapshot);
  AddThreads(text, snapshot, crash);
  AddModules(text, snapshot);

  // Without the leading line break, cut to the limit, then the terminating null.
  static unsigned char utf16[kMaxReportCharacters * 2];
  size_t units = Utf8ToUtf16Le(text.Data() + 2, text.Size() - 2, utf16, kMaxReportCharacters - 1);
  utf16[units * 2] = 0;
  utf16[units * 2 + 1] = 0;
  ++units;

  // A new file, never one that a link in its place names.
  unlink(path);
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool written = WriteAll(fd, utf16, units * 2);
  return close(fd) == 0 && written;
}

}  // namespace vidmora::crash
