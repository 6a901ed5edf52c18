#include "app/support/signal_safe_io.h"

#include <errno.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace vidmora::crash {

FixedText::FixedText(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {
  if (capacity_ > 0) buffer_[0] = '\0';
}

FixedText& FixedText::Add(const char* text, size_t length) {
  // One byte stays for the terminating null.
  while (length-- > 0 && length_ + 1 < capacity_) buffer_[length_++] = *text++;
  if (capacity_ > 0) buffer_[length_] = '\0';
  return *this;
}

FixedText& FixedText::Add(const char* text) { return Add(text, Length(text)); }

FixedText& FixedText::Dec(int64_t value) {
  char digits[24];
  int count = 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) Add("-", 1);
  while (count > 0) Add(&digits[--count], 1);
  return *this;
}

FixedText& FixedText::Hex(uint64_t value, int width) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  for (int pad = count; pad < width; ++pad) Add("0", 1);
  while (count > 0) Add(&digits[--count], 1);
  return *this;
}

bool ReadProcessMemory(pid_t pid, uint64_t address, void* out, size_t length) {
  if (length == 0) return true;
  iovec local{out, length};
  // An address in the other process, never dereferenced here.
  iovec remote{reinterpret_cast<void*>(address), length};  // NOLINT(performance-no-int-to-ptr)
  ssize_t got = process_vm_readv(pid, &local, 1, &remote, 1, 0);
  return got == static_cast<ssize_t>(length);
}

bool WriteAll(int fd, const void* data, size_t length) {
  const char* bytes = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t written = write(fd, bytes, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    length -= static_cast<size_t>(written);
  }
  return true;
}

bool WriteAllAt(int fd, const void* data, size_t length, uint64_t offset) {
  const char* bytes = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t written = pwrite(fd, bytes, length, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    offset += static_cast<uint64_t>(written);
    length -= static_cast<size_t>(written);
  }
  return true;
}

void MakeDirectories(const char* path, char* scratch, size_t scratchSize) {
  Copy(scratch, scratchSize, path);
  for (char* cursor = scratch + 1; *cursor != '\0'; ++cursor) {
    if (*cursor != '/') continue;
    *cursor = '\0';
    mkdir(scratch, 0755);
    *cursor = '/';
  }
  mkdir(scratch, 0755);
}

bool LineReader::Next(const char** line, size_t* length) {
  for (;;) {
    for (size_t i = start_; i < end_; ++i) {
      if (buffer_[i] != '\n') continue;
      buffer_[i] = '\0';
      *line = buffer_ + start_;
      *length = i - start_;
      start_ = i + 1;
      return true;
    }
    if (eof_) {
      if (start_ == end_) return false;
      // The last line has no "\n"; the buffer keeps one byte for the null.
      buffer_[end_] = '\0';
      *line = buffer_ + start_;
      *length = end_ - start_;
      start_ = end_;
      return true;
    }
    if (start_ > 0) {
      for (size_t i = start_; i < end_; ++i) buffer_[i - start_] = buffer_[i];
      end_ -= start_;
      start_ = 0;
    }
    if (end_ + 1 >= capacity_) {
      // A line longer than the buffer: hand out what fits and drop the rest.
      buffer_[end_] = '\0';
      *line = buffer_;
      *length = end_;
      char skip;
      ssize_t got;
      while ((got = read(fd_, &skip, 1)) == 1 && skip != '\n') {
      }
      if (got <= 0) eof_ = true;
      start_ = end_ = 0;
      return true;
    }
    ssize_t got = read(fd_, buffer_ + end_, capacity_ - 1 - end_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) eof_ = true;
    else end_ += static_cast<size_t>(got);
  }
}

uint64_t ParseHex(const char** text) {
  uint64_t value = 0;
  for (const char* c = *text;; ++c) {
    int digit = *c >= '0' && *c <= '9'   ? *c - '0'
                : *c >= 'a' && *c <= 'f' ? *c - 'a' + 10
                : *c >= 'A' && *c <= 'F' ? *c - 'A' + 10
                                         : -1;
    if (digit < 0) {
      *text = c;
      return value;
    }
    value = value << 4 | static_cast<uint64_t>(digit);
  }
}

uint64_t ParseDec(const char** text) {
  uint64_t value = 0;
  const char* c = *text;
  for (; *c >= '0' && *c <= '9'; ++c) value = value * 10 + static_cast<uint64_t>(*c - '0');
  *text = c;
  return value;
}

size_t Length(const char* text) {
  size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

bool Equal(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

void Copy(char* out, size_t capacity, const char* text) {
  if (capacity == 0) return;
  size_t i = 0;
  for (; i + 1 < capacity && text[i] != '\0'; ++i) out[i] = text[i];
  out[i] = '\0';
}

size_t Utf8ToUtf16Le(const char* text, size_t length, unsigned char* out, size_t maxUnits) {
  size_t units = 0;
  auto put = [&](uint32_t unit) {
    out[units * 2] = static_cast<unsigned char>(unit & 0xFF);
    out[units * 2 + 1] = static_cast<unsigned char>(unit >> 8);
    ++units;
  };
  for (size_t i = 0; i < length;) {
    const auto lead = static_cast<unsigned char>(text[i]);
    uint32_t codePoint = 0xFFFD;
    size_t size = lead < 0x80 ? 1 : lead >> 5 == 0x6 ? 2 : lead >> 4 == 0xE ? 3 : lead >> 3 == 0x1E ? 4 : 0;
    bool valid = size != 0 && i + size <= length;
    for (size_t k = 1; valid && k < size; ++k) valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (valid) {
      codePoint = size == 1 ? lead : lead & (0x7F >> size);
      for (size_t k = 1; k < size; ++k) codePoint = codePoint << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
      i += size;
    } else {
      i += 1;
    }
    const size_t needed = codePoint >= 0x10000 ? 2 : 1;
    if (units + needed > maxUnits) break;
    if (codePoint >= 0x10000) {
      codePoint -= 0x10000;
      put(0xD800 | codePoint >> 10);
      put(0xDC00 | (codePoint & 0x3FF));
    } else {
      put(codePoint);
    }
  }
  return units;
}

pid_t CurrentThreadId() { return static_cast<pid_t>(syscall(SYS_gettid)); }

}  // namespace vidmora::crash
