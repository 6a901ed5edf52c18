#include "encoder/av_log_bridge.h"

#include "draw/glyphra.h"

extern "C" {
#include <libavutil/log.h>
}

#include <dlfcn.h>

#include <cstdarg>
#include <cstring>
#include <mutex>

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

// Keeps the module holding ForwardLog loaded for the rest of the process:
// dlclose then leaves it mapped. (Linked into a program it is the program.)
void PinThisModule() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ForwardLog), &info) == 0 || info.dli_fname == nullptr) return;
  // RTLD_NOLOAD: only when already loaded, which it is; the extra reference
  // is never released, on purpose.
  dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace

void InstallAvLogBridge() {
  static std::once_flag once;
  std::call_once(once, [] {
    PinThisModule();
    av_log_set_callback(&ForwardLog);
  });
}

}  // namespace vencor
