#include "encoder/errors.h"

#include "draw/glyphra.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cstdarg>
#include <cstdio>

namespace vencor {

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
  // The sink cuts at 511 bytes; formatting here first keeps our prefix and
  // lets a message hold a literal '%'.
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  va_logx("vencor: %s", line);
}

}  // namespace vencor
