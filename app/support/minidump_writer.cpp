#include "app/support/minidump_writer.h"

#include "app/support/signal_safe_io.h"

#include <elf.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace vidmora::crash {

namespace {

// Values of the minidump format.
constexpr uint32_t kSignature = 0x504D444D;  // "MDMP"
constexpr uint32_t kVersion = 0xA793;
constexpr uint32_t kThreadListStream = 3;
constexpr uint32_t kModuleListStream = 4;
constexpr uint32_t kMemoryListStream = 5;
constexpr uint32_t kExceptionStream = 6;
constexpr uint32_t kSystemInfoStream = 7;
constexpr uint32_t kLinuxProcStatusStream = 0x47670004;
constexpr uint32_t kLinuxCmdLineStream = 0x47670006;
constexpr uint32_t kLinuxMapsStream = 0x47670009;
constexpr uint16_t kArchitectureAmd64 = 9;
constexpr uint32_t kPlatformLinux = 0x8201;
constexpr uint32_t kContextAmd64Full = 0x0010000B;  // control, integer and floating point
constexpr uint32_t kElfBuildIdSignature = 0x4270454C;  // "BpEL"
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

constexpr size_t kHeaderSize = 32;
constexpr size_t kDirectoryEntrySize = 12;
constexpr size_t kSystemInfoSize = 56;
constexpr size_t kExceptionStreamSize = 168;
constexpr size_t kThreadSize = 48;
constexpr size_t kModuleSize = 108;
constexpr size_t kMemoryDescriptorSize = 16;
constexpr size_t kContextSize = 1232;
constexpr size_t kStreamCount = 8;

constexpr uint64_t kRedZone = 128;
constexpr uint64_t kMaxStackBytes = uint64_t{256} * 1024;
constexpr uint64_t kCodeAroundCrash = 256;
constexpr size_t kMaxBuildId = 64;

// A little-endian record being filled before it is written.
template <size_t N>
struct Record {
  unsigned char bytes[N] = {};
  void U16(size_t at, uint16_t v) { std::memcpy(bytes + at, &v, 2); }
  void U32(size_t at, uint32_t v) { std::memcpy(bytes + at, &v, 4); }
  void U64(size_t at, uint64_t v) { std::memcpy(bytes + at, &v, 8); }
};

struct Location {
  uint32_t size = 0;
  uint32_t rva = 0;
};

// Places data in the file: Reserve hands out the next offset, Put writes there.
class DumpFile {
 public:
  explicit DumpFile(int fd) : fd_(fd) {}
  uint32_t Reserve(uint64_t size) {
    uint64_t at = next_;
    next_ = (next_ + size + 7) & ~uint64_t{7};
    if (next_ > UINT32_MAX) ok_ = false;
    return static_cast<uint32_t>(at);
  }
  void Put(uint32_t rva, const void* data, size_t size) {
    if (ok_ && !WriteAllAt(fd_, data, size, rva)) ok_ = false;
  }
  template <size_t N>
  Location PutRecord(const Record<N>& record) {
    uint32_t rva = Reserve(N);
    Put(rva, record.bytes, N);
    return {static_cast<uint32_t>(N), rva};
  }
  // A string as the format stores it: byte length, UTF-16LE, a null.
  uint32_t PutString(const char* text) {
    static unsigned char units[(kMaxPath + 1) * 2 + 4];
    size_t count = Utf8ToUtf16Le(text, Length(text), units + 4, kMaxPath);
    auto byteLength = static_cast<uint32_t>(count * 2);
    std::memcpy(units, &byteLength, 4);
    units[4 + count * 2] = units[5 + count * 2] = 0;
    uint32_t rva = Reserve(byteLength + 6);
    Put(rva, units, byteLength + 6);
    return rva;
  }
  // `size` bytes of process `pid` from `address`; what cannot be read is zero.
  Location PutMemory(pid_t pid, uint64_t address, uint64_t size) {
    static unsigned char chunk[64 * 1024];
    uint32_t rva = Reserve(size);
    for (uint64_t done = 0; done < size;) {
      size_t part = static_cast<size_t>(size - done < sizeof(chunk) ? size - done : sizeof(chunk));
      if (!ReadProcessMemory(pid, address + done, chunk, part)) std::memset(chunk, 0, part);
      Put(static_cast<uint32_t>(rva + done), chunk, part);
      done += part;
    }
    return {static_cast<uint32_t>(size), rva};
  }
  // A whole file (such as /proc/PID/maps) as it reads now.
  Location PutFileContents(const char* path) {
    static unsigned char chunk[64 * 1024];
    int in = open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0) return {};
    uint32_t rva = static_cast<uint32_t>(next_);
    uint64_t total = 0;
    for (;;) {
      ssize_t got = read(in, chunk, sizeof(chunk));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      Put(static_cast<uint32_t>(rva + total), chunk, static_cast<size_t>(got));
      total += static_cast<uint64_t>(got);
    }
    close(in);
    Reserve(total);
    return {static_cast<uint32_t>(total), rva};
  }
  bool Ok() const { return ok_; }

 private:
  int fd_;
  uint64_t next_ = 0;
  bool ok_ = true;
};

Record<kContextSize> ContextRecord(const CpuContext& c) {
  Record<kContextSize> r;
  r.U32(0x30, kContextAmd64Full);
  uint32_t mxcsr = 0;
  std::memcpy(&mxcsr, c.floatingPoint + 24, 4);  // MXCSR sits at byte 24 of the FXSAVE area
  r.U32(0x34, mxcsr);
  r.U16(0x38, c.cs);
  r.U16(0x3A, c.ds);
  r.U16(0x3C, c.es);
  r.U16(0x3E, c.fs);
  r.U16(0x40, c.gs);
  r.U16(0x42, c.ss);
  r.U32(0x44, c.eflags);
  const uint64_t general[] = {c.rax, c.rcx, c.rdx, c.rbx, c.rsp, c.rbp, c.rsi, c.rdi, c.r8,
                              c.r9,  c.r10, c.r11, c.r12, c.r13, c.r14, c.r15, c.rip};
  for (size_t i = 0; i < sizeof(general) / sizeof(general[0]); ++i) r.U64(0x78 + 8 * i, general[i]);
  if (c.hasFloatingPoint) std::memcpy(r.bytes + 0x100, c.floatingPoint, sizeof(c.floatingPoint));
  return r;
}

void ProcFile(FixedText& text, pid_t pid, const char* leaf) { text.Add("/proc/").Dec(pid).Add(leaf); }

// The GNU build id from the notes of a loaded ELF image; 0 when there is none.
size_t ReadBuildId(pid_t pid, uint64_t base, unsigned char (&out)[kMaxBuildId]) {
  Elf64_Ehdr header{};
  if (!ReadProcessMemory(pid, base, &header, sizeof(header)) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr))
    return 0;
  // Position-independent images place their segments relative to the base.
  const uint64_t bias = header.e_type == ET_DYN ? base : 0;
  for (unsigned i = 0; i < header.e_phnum && i < 64; ++i) {
    Elf64_Phdr segment{};
    if (!ReadProcessMemory(pid, base + header.e_phoff + i * sizeof(segment), &segment, sizeof(segment))) return 0;
    if (segment.p_type != PT_NOTE) continue;
    unsigned char notes[1024];
    size_t size = segment.p_filesz < sizeof(notes) ? segment.p_filesz : sizeof(notes);
    if (!ReadProcessMemory(pid, bias + segment.p_vaddr, notes, size)) continue;
    for (size_t at = 0; at + sizeof(Elf64_Nhdr) <= size;) {
      Elf64_Nhdr note{};
      std::memcpy(&note, notes + at, sizeof(note));
      const size_t nameAt = at + sizeof(note);
      const size_t descAt = nameAt + ((note.n_namesz + 3) & ~3U);
      const size_t end = descAt + ((note.n_descsz + 3) & ~3U);
      if (end > size) break;
      if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && std::memcmp(notes + nameAt, "GNU", 4) == 0 &&
          note.n_descsz <= kMaxBuildId) {
        std::memcpy(out, notes + descAt, note.n_descsz);
        return note.n_descsz;
      }
      at = end;
    }
  }
  return 0;
}

Location PutSystemInfo(DumpFile& file, const ReporterSettings& settings) {
  struct utsname names {};
  uname(&names);
  static char description[sizeof(names) + 8];
  FixedText text(description, sizeof(description));
  text.Add(names.sysname).Add(" ").Add(names.release).Add(" ").Add(names.version).Add(" ").Add(names.machine);
  const uint32_t descriptionRva = file.PutString(text.Data());

  Record<kSystemInfoSize> r;
  r.U16(0, kArchitectureAmd64);
  r.bytes[6] = static_cast<unsigned char>(settings.processorCount > 255 ? 255 : settings.processorCount);
  const char* cursor = names.release;
  for (int part = 0; part < 3; ++part) {
    r.U32(8 + 4 * part, static_cast<uint32_t>(ParseDec(&cursor)));
    if (*cursor == '.') ++cursor;
  }
  r.U32(20, kPlatformLinux);
  r.U32(24, descriptionRva);
  std::memcpy(r.bytes + 32, settings.cpuVendor, sizeof(settings.cpuVendor));
  return file.PutRecord(r);
}

struct DumpedThread {
  Location context;
  uint64_t stackStart = 0;
  Location stack;
};

// The stack from just below the stack pointer (the red zone) toward its base.
void PutStack(DumpFile& file, const Snapshot& snapshot, const ThreadState& thread, DumpedThread& out) {
  const uint64_t sp = thread.context.rsp;
  const Mapping* mapping = snapshot.MappingAt(sp);
  if (mapping == nullptr) return;
  uint64_t start = sp - kRedZone < mapping->start || sp < kRedZone ? mapping->start : sp - kRedZone;
  uint64_t end = mapping->end - sp > kMaxStackBytes ? sp + kMaxStackBytes : mapping->end;
  out.stackStart = start;
  out.stack = file.PutMemory(thread.memoryOwner, start, end - start);
}

}  // namespace

bool WriteMinidump(const char* path, const ReporterSettings& settings, const CrashInfo& crash,
                   const Snapshot& snapshot) {
#if !defined(__x86_64__)
  (void)path, (void)settings, (void)crash, (void)snapshot;
  return false;
#else
  // A new file, never one that a link in its place names.
  unlink(path);
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  DumpFile file(fd);
  const uint32_t headerRva = file.Reserve(kHeaderSize);
  const uint32_t directoryRva = file.Reserve(kStreamCount * kDirectoryEntrySize);
  uint32_t streamTypes[kStreamCount] = {};
  Location streams[kStreamCount] = {};
  size_t streamCount = 0;
  auto addStream = [&](uint32_t type, Location location) {
    streamTypes[streamCount] = type;
    streams[streamCount++] = location;
  };

  addStream(kSystemInfoStream, PutSystemInfo(file, settings));

  // Threads: registers and stacks first, then the list that points at them.
  static DumpedThread dumped[kMaxThreads];
  size_t dumpedCount = 0;
  Location crashContext;
  for (size_t i = 0; i < snapshot.threadCount; ++i) {
    const ThreadState& thread = snapshot.threads[i];
    if (!thread.hasContext) continue;
    DumpedThread& out = dumped[i];
    out = DumpedThread{};
    out.context = file.PutRecord(ContextRecord(thread.context));
    if (thread.id == crash.threadId) crashContext = out.context;
    PutStack(file, snapshot, thread, out);
    ++dumpedCount;
  }
  const uint32_t threadListRva = file.Reserve(4 + kThreadSize * dumpedCount);
  {
    auto count = static_cast<uint32_t>(dumpedCount);
    file.Put(threadListRva, &count, 4);
    uint32_t at = threadListRva + 4;
    for (size_t i = 0; i < snapshot.threadCount; ++i) {
      if (!snapshot.threads[i].hasContext) continue;
      Record<kThreadSize> r;
      r.U32(0, static_cast<uint32_t>(snapshot.threads[i].id));
      r.U64(16, 0);
      r.U64(24, dumped[i].stackStart);
      r.U32(32, dumped[i].stack.size);
      r.U32(36, dumped[i].stack.rva);
      r.U32(40, dumped[i].context.size);
      r.U32(44, dumped[i].context.rva);
      file.Put(at, r.bytes, kThreadSize);
      at += kThreadSize;
    }
  }
  addStream(kThreadListStream, {static_cast<uint32_t>(4 + kThreadSize * dumpedCount), threadListRva});

  {
    Record<kExceptionStreamSize> r;
    r.U32(0, static_cast<uint32_t>(crash.threadId));
    r.U32(8, static_cast<uint32_t>(crash.signal));  // the code of a Linux exception is its signal
    r.U32(12, static_cast<uint32_t>(crash.code));
    r.U64(24, crash.faultAddress);
    r.U32(160, crashContext.size);
    r.U32(164, crashContext.rva);
    addStream(kExceptionStream, file.PutRecord(r));
  }

  // Modules: names and build ids, then the list.
  static uint32_t nameRvas[kMaxModules];
  static Location buildIds[kMaxModules];
  const pid_t memory = snapshot.threads[0].memoryOwner;
  for (size_t i = 0; i < snapshot.moduleCount; ++i) {
    nameRvas[i] = file.PutString(snapshot.PathOf(snapshot.modules[i].pathStart));
    unsigned char id[kMaxBuildId];
    size_t idSize = ReadBuildId(memory, snapshot.modules[i].base, id);
    buildIds[i] = {};
    if (idSize == 0) continue;
    unsigned char record[4 + kMaxBuildId];
    std::memcpy(record, &kElfBuildIdSignature, 4);
    std::memcpy(record + 4, id, idSize);
    buildIds[i].size = static_cast<uint32_t>(4 + idSize);
    buildIds[i].rva = file.Reserve(buildIds[i].size);
    file.Put(buildIds[i].rva, record, buildIds[i].size);
  }
  const uint32_t moduleListRva = file.Reserve(4 + kModuleSize * snapshot.moduleCount);
  {
    auto count = static_cast<uint32_t>(snapshot.moduleCount);
    file.Put(moduleListRva, &count, 4);
    for (size_t i = 0; i < snapshot.moduleCount; ++i) {
      const Module& module = snapshot.modules[i];
      Record<kModuleSize> r;
      r.U64(0, module.base);
      r.U32(8, static_cast<uint32_t>(module.end - module.base));
      r.U32(20, nameRvas[i]);
      r.U32(24, kFixedFileInfoSignature);
      r.U32(28, 0x00010000);
      r.U32(76, buildIds[i].size);
      r.U32(80, buildIds[i].rva);
      file.Put(static_cast<uint32_t>(moduleListRva + 4 + kModuleSize * i), r.bytes, kModuleSize);
    }
  }
  addStream(kModuleListStream, {static_cast<uint32_t>(4 + kModuleSize * snapshot.moduleCount), moduleListRva});

  // Memory: every stack, and the code around the crashing instruction.
  Location code;
  uint64_t codeStart = 0;
  if (const Mapping* mapping = snapshot.MappingAt(crash.context.rip); mapping != nullptr && mapping->readable) {
    codeStart = crash.context.rip - kCodeAroundCrash / 2;
    if (codeStart < mapping->start || codeStart > crash.context.rip) codeStart = mapping->start;
    uint64_t codeEnd = codeStart + kCodeAroundCrash > mapping->end ? mapping->end : codeStart + kCodeAroundCrash;
    code = file.PutMemory(memory, codeStart, codeEnd - codeStart);
  }
  const size_t rangeCount = dumpedCount + (code.size > 0 ? 1 : 0);
  const uint32_t memoryListRva = file.Reserve(4 + kMemoryDescriptorSize * rangeCount);
  {
    auto count = static_cast<uint32_t>(rangeCount);
    file.Put(memoryListRva, &count, 4);
    uint32_t at = memoryListRva + 4;
    auto putRange = [&](uint64_t start, Location location) {
      Record<kMemoryDescriptorSize> r;
      r.U64(0, start);
      r.U32(8, location.size);
      r.U32(12, location.rva);
      file.Put(at, r.bytes, kMemoryDescriptorSize);
      at += kMemoryDescriptorSize;
    };
    for (size_t i = 0; i < snapshot.threadCount; ++i)
      if (snapshot.threads[i].hasContext) putRange(dumped[i].stackStart, dumped[i].stack);
    if (code.size > 0) putRange(codeStart, code);
  }
  addStream(kMemoryListStream, {static_cast<uint32_t>(4 + kMemoryDescriptorSize * rangeCount), memoryListRva});

  char procPath[64];
  const struct {
    uint32_t type;
    const char* leaf;
  } linuxFiles[] = {{kLinuxMapsStream, "/maps"}, {kLinuxProcStatusStream, "/status"}, {kLinuxCmdLineStream, "/cmdline"}};
  for (const auto& linuxFile : linuxFiles) {
    FixedText procFile(procPath, sizeof(procPath));
    ProcFile(procFile, crash.processId, linuxFile.leaf);
    addStream(linuxFile.type, file.PutFileContents(procFile.Data()));
  }

  for (size_t i = 0; i < streamCount; ++i) {
    Record<kDirectoryEntrySize> r;
    r.U32(0, streamTypes[i]);
    r.U32(4, streams[i].size);
    r.U32(8, streams[i].rva);
    file.Put(static_cast<uint32_t>(directoryRva + kDirectoryEntrySize * i), r.bytes, kDirectoryEntrySize);
  }
  Record<kHeaderSize> header;
  header.U32(0, kSignature);
  header.U32(4, kVersion);
  header.U32(8, static_cast<uint32_t>(streamCount));
  header.U32(12, directoryRva);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  header.U32(20, static_cast<uint32_t>(now.tv_sec));
  file.Put(headerRva, header.bytes, kHeaderSize);
  const bool ok = file.Ok();
  return close(fd) == 0 && ok;
#endif
}

}  // namespace vidmora::crash
