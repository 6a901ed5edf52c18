#include "tests/encoder/hook_recorder.h"

#include "shared/export.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace vidmora::test {

namespace {
std::mutex mutex;
HookRecord record;
std::thread::id expectedThread;
bool rowsKnown = true;
}  // namespace

void ResetHookRecord() {
  std::lock_guard lock(mutex);
  record = HookRecord{};
  expectedThread = std::this_thread::get_id();
  rowsKnown = true;
}

void HookRowsUnknown() {
  std::lock_guard lock(mutex);
  rowsKnown = false;
}

const HookRecord& Record() { return record; }

bool LogContains(const std::string& text) {
  std::lock_guard lock(mutex);
  for (const auto& line : record.log)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

bool IsWhiteAround(const QImage& image, int x, int y) {
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      const QColor c = image.pixelColor(x + dx, y + dy);
      if (c.red() < 215 || c.green() < 215 || c.blue() < 215) return false;
    }
  return true;
}

}  // namespace vidmora::test

using vidmora::test::kMarkerLeft;
using vidmora::test::kMarkerSize;
using vidmora::test::kMarkerTop;

extern "C" VIDMORA_EXPORT int cplusplusout(unsigned char* bits, int width, int height) {
  {
    std::lock_guard lock(vidmora::test::mutex);
    ++vidmora::test::record.calls;
    vidmora::test::record.width = width;
    vidmora::test::record.height = height;
    if (std::this_thread::get_id() != vidmora::test::expectedThread) vidmora::test::record.otherThread = true;
  }
  const int stride = (width * 3 + 3) & ~3;
  for (int y = kMarkerTop; y < kMarkerTop + kMarkerSize && y < height; ++y)
    for (int x = kMarkerLeft; x < kMarkerLeft + kMarkerSize && x < width; ++x)
      std::memset(bits + static_cast<ptrdiff_t>(y) * stride + static_cast<ptrdiff_t>(x) * 3, 255, 3);
  return 0;
}

extern "C" VIDMORA_EXPORT int FrameHookRows(int width, int height, int* firstRow, int* endRow) {
  std::lock_guard lock(vidmora::test::mutex);
  if (!vidmora::test::rowsKnown || width <= 0 || height <= 0) return 0;
  *firstRow = std::min(kMarkerTop, height);
  *endRow = std::min(kMarkerTop + kMarkerSize, height);
  return 1;
}

// No overlay to blend: the encoder hands every frame to cplusplusout above.
extern "C" VIDMORA_EXPORT int FrameHookOverlay(int, int, int, int, unsigned int*) { return 0; }

extern "C" VIDMORA_EXPORT void va_logx(const char* format, ...) {
  char line[512] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fprintf(stderr, "%s\n", line);
  std::lock_guard lock(vidmora::test::mutex);
  vidmora::test::record.log.emplace_back(line);
}
