#include "encoder/av_log_bridge.h"

#include "draw/glyphra.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstring>

namespace vencor {

namespace {

// Called on FFmpeg's threads too; va_logx is safe from any thread.
void ForwardLog(void* context, int level, const char* format, va_list arguments) {
  if (level > AV_LOG_WARNING) return;
  // Per thread, as FFmpeg's default callback keeps it: a line continued by a
  // later call gets no second "[context]" prefix.
  static thread_local int printPrefix = 1;
  char line[1024];
  va_list copy;
  va_copy(copy, arguments);
  av_log_format_line2(context, level, format, copy, line, sizeof line, &printPrefix);
  va_end(copy);
  size_t length = std::strlen(line);
  while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r' || line[length - 1] == ' ')) line[--length] = '\0';
  if (length > 0) va_logx("ffmpeg: %s", line);
}

}  // namespace

ScopedAvLogBridge::ScopedAvLogBridge() { av_log_set_callback(&ForwardLog); }

ScopedAvLogBridge::~ScopedAvLogBridge() { av_log_set_callback(&av_log_default_callback); }

}  // namespace vencor
