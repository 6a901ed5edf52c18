#pragma once

// A frame hook and log sink for encoder tests. The test executable exports
// cplusplusout, FrameHookRows, FrameHookOverlay (which offers no overlay, so
// every frame goes through the hook) and va_logx itself, so libvencor.so binds to
// these instead of the drawing library's: each frame gets an opaque white
// square at a known place of the picture as the hook sees it, and every call
// is recorded. FrameHookRows names the square's rows, or (when a test says
// so) answers that any row may change.

#include <QImage>

#include <string>
#include <thread>
#include <vector>

namespace vidmora::test {

// The square the hook paints: kMarkerSize pixels from (kMarkerLeft, kMarkerTop).
inline constexpr int kMarkerLeft = 8;
inline constexpr int kMarkerTop = 8;
inline constexpr int kMarkerSize = 24;

struct HookRecord {
  int calls = 0;
  int width = 0;  // of the last call
  int height = 0;
  bool otherThread = false;  // a call came from another thread than the one that reset the record
  std::vector<std::string> log;
};

// Clears the record; calls from now on are expected on the calling thread,
// and FrameHookRows names the square's rows again.
void ResetHookRecord();
// From now on FrameHookRows answers that any row may change.
void HookRowsUnknown();
const HookRecord& Record();
bool LogContains(const std::string& text);

// True when the pixels around (x, y) are white (the marker), within tolerance for lossy codecs.
bool IsWhiteAround(const QImage& image, int x, int y);

}  // namespace vidmora::test
