#pragma once

// Building blocks of the crash reporter that are safe inside a signal handler
// and in a process forked from a crashed one: no allocation, no locks, no
// stdio, only system calls and caller-owned fixed buffers.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace vidmora::crash {

// Text that grows in a fixed buffer and is silently cut at its capacity.
class FixedText {
 public:
  FixedText(char* buffer, size_t capacity);

  FixedText& Add(const char* text);
  FixedText& Add(const char* text, size_t length);
  FixedText& Dec(int64_t value);
  // Upper-case hexadecimal, padded with zeros to at least `width` digits.
  FixedText& Hex(uint64_t value, int width = 0);

  const char* Data() const { return buffer_; }
  size_t Size() const { return length_; }

 private:
  char* buffer_;
  size_t capacity_;
  size_t length_ = 0;
};

// Copies `length` bytes of process `pid`'s memory at `address` into `out`.
// False (and no fault) when any of it is unmapped or unreadable.
bool ReadProcessMemory(pid_t pid, uint64_t address, void* out, size_t length);

// write(2) until everything is written; false on an error.
bool WriteAll(int fd, const void* data, size_t length);
bool WriteAllAt(int fd, const void* data, size_t length, uint64_t offset);

// Creates `path` and its missing parents (mode 0755). `path` is copied into
// `scratch` (at least as long as the path plus one).
void MakeDirectories(const char* path, char* scratch, size_t scratchSize);

// Reads a file one line at a time through a fixed buffer; a line longer than
// the buffer is cut.
class LineReader {
 public:
  LineReader(int fd, char* buffer, size_t capacity) : fd_(fd), buffer_(buffer), capacity_(capacity) {}
  // The next line without its "\n", terminated by a null; false at the end.
  bool Next(const char** line, size_t* length);

 private:
  int fd_;
  char* buffer_;
  size_t capacity_;
  size_t start_ = 0;
  size_t end_ = 0;
  bool eof_ = false;
};

// Parses the hexadecimal number at *text and moves past it.
uint64_t ParseHex(const char** text);
// Parses the decimal number at *text and moves past it.
uint64_t ParseDec(const char** text);

size_t Length(const char* text);
bool Equal(const char* a, const char* b);
void Copy(char* out, size_t capacity, const char* text);

// UTF-8 to UTF-16LE bytes in `out` (room for 2 * maxUnits bytes), at most
// `maxUnits` code units; malformed bytes become U+FFFD. Returns the units written.
size_t Utf8ToUtf16Le(const char* text, size_t length, unsigned char* out, size_t maxUnits);

pid_t CurrentThreadId();

}  // namespace vidmora::crash
