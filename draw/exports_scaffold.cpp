// Temporary scaffold so that the encoder can link against the frame hook while
// the drawing library is being written. Replaced by the real exports.
#include "draw/glyphra.h"

#include <cstdarg>
#include <cstdio>

extern "C" {
void InitTemplateFolderPathForDrawlixDll(const char16_t*) {}
int PrepareWMForDrawlixDll(const char16_t*, int, int, int) { return 0; }
int DrawGraphicsWithTempConf(glyphra::Graphics*) { return 0; }
int cplusplusout(unsigned char*, int, int) { return 0; }
void va_logx(const char* format, ...) {
  char buffer[512] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  std::fprintf(stderr, "%s\n", buffer);
}
}
