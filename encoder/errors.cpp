#include "encoder/errors.h"

#include "draw/glyphra.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vencor {

namespace {
// Plain bytes: the library is unloaded after each file, and thread-local
// objects with destructors would pin it in memory.
thread_local char tlsNotes[4096] = "";

// Keeps `line` in this thread's notes, once: the same line again adds nothing.
void KeepNote(const char* line) {
  const size_t length = std::strlen(line);
  if (length == 0) return;
  for (const char* at = tlsNotes; (at = std::strstr(at, line)) != nullptr; at += length)
    if ((at == tlsNotes || at[-1] == '\n') && (at[length] == '\n' || at[length] == '\0')) return;
  const size_t used = std::strlen(tlsNotes);
  if (used + length + 2 > sizeof tlsNotes) return;  // a full list keeps its first notes
  if (used > 0) tlsNotes[used] = '\n';
  std::memcpy(tlsNotes + used + (used > 0), line, length + 1);
}

void Write(bool keep, const char* format, va_list args) {
  // The sink cuts at 511 bytes; formatting here first keeps our prefix and
  // lets a message hold a literal '%'.
  char line[512];
  std::vsnprintf(line, sizeof line, format, args);
  va_logx("vencor: %s", line);
  if (keep) KeepNote(line);
}

}  // namespace

void Fail(VencorResult code, const std::string& message) { throw TranscodeError(code, message); }

std::string AvErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return text;
}

int CheckAv(int result, VencorResult code, std::string_view context) {
  if (result < 0) Fail(code, std::string(context) + ": " + AvErrorText(result));
  return result;
}

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Write(false, format, args);
  va_end(args);
}

void Note(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Write(true, format, args);
  va_end(args);
}

void ClearNotes() { tlsNotes[0] = '\0'; }

const char* Notes() { return tlsNotes; }

}  // namespace vencor
