// The exports of libvencor.so (see vencor.h).

#include "encoder/av_log_bridge.h"
#include "encoder/container_tag.h"
#include "encoder/errors.h"
#include "encoder/frame_grab.h"
#include "encoder/options.h"
#include "encoder/transcoder.h"
#include "encoder/vencor.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Per calling thread, so that files encoded side by side keep their own
// callback and error text. Plain values only: they need no construction or
// clean-up per thread. (The application closes the library after each file;
// the first call pins it in memory for FFmpeg's log callback, see
// av_log_bridge.h, so closing never unmaps it.)
thread_local VencorProgressCallback tlsProgressCallback = nullptr;
thread_local void* tlsProgressUserData = nullptr;
thread_local char tlsLastError[1024] = "";
thread_local char tlsSummary[128] = "";

int Failed(int code, const char* message) {
  std::strncpy(tlsLastError, message, sizeof tlsLastError - 1);
  tlsLastError[sizeof tlsLastError - 1] = '\0';
  vencor::Log("failed: %s", tlsLastError);
  return code;
}

// Runs one export's work: FFmpeg's log goes to ours, and every failure
// becomes a result code with its reason for vencor_last_error.
template <typename Work>
int Guarded(Work work) {
  tlsLastError[0] = '\0';
  vencor::ClearNotes();
  vencor::InstallAvLogBridge();
  try {
    return work();
  } catch (const vencor::TranscodeError& failure) {
    return Failed(failure.Code(), failure.what());
  } catch (const std::bad_alloc&) {
    return Failed(VENCOR_ERROR_INTERNAL, "out of memory");
  } catch (const std::exception& failure) {
    return Failed(VENCOR_ERROR_INTERNAL, failure.what());
  } catch (...) {
    return Failed(VENCOR_ERROR_INTERNAL, "unexpected failure");
  }
}

}  // namespace

extern "C" {

VIDMORA_EXPORT void vencor_set_progress_callback(VencorProgressCallback callback, void* userData) {
  tlsProgressCallback = callback;
  tlsProgressUserData = userData;
}

VIDMORA_EXPORT int dowm(int argc, char** argv) {
  return Guarded([&] {
    if (argc < 1 || !argv) return Failed(VENCOR_ERROR_ARGUMENTS, "no arguments");
    std::string error;
    const auto options = vencor::ParseArguments(argc, argv, error);
    if (!options) return Failed(VENCOR_ERROR_ARGUMENTS, error.c_str());
    tlsSummary[0] = '\0';
    const std::string summary = vencor::Transcode(*options, tlsProgressCallback, tlsProgressUserData);
    std::snprintf(tlsSummary, sizeof tlsSummary, "%s", summary.c_str());
    return static_cast<int>(VENCOR_OK);
  });
}

VIDMORA_EXPORT int vencor_grab_frame(const char* sourcePath, double seconds, VencorPictureSink sink, void* userData) {
  return Guarded([&] {
    if (!sourcePath || !sink) return Failed(VENCOR_ERROR_ARGUMENTS, "no source or no picture sink");
    vencor::GrabFrame(sourcePath, seconds, [&](const unsigned char* bgr, int width, int height, int stride) {
      sink(bgr, width, height, stride, userData);
    });
    return static_cast<int>(VENCOR_OK);
  });
}

VIDMORA_EXPORT int vencor_displayed_size(const char* sourcePath, int* width, int* height) {
  return Guarded([&] {
    if (!sourcePath || !width || !height) return Failed(VENCOR_ERROR_ARGUMENTS, "no source or no size to set");
    const vencor::PictureSize size = vencor::DisplayedFrameSize(sourcePath);
    *width = size.width;
    *height = size.height;
    return static_cast<int>(VENCOR_OK);
  });
}

VIDMORA_EXPORT int vencor_frame_geometry(const char* sourcePath, int* frameWidth, int* frameHeight, int* shownWidth,
                                         int* shownHeight) {
  return Guarded([&] {
    if (!sourcePath || !frameWidth || !frameHeight || !shownWidth || !shownHeight)
      return Failed(VENCOR_ERROR_ARGUMENTS, "no source or no size to set");
    const vencor::FrameGeometry geometry = vencor::SourceFrameGeometry(sourcePath);
    *frameWidth = geometry.frame.width;
    *frameHeight = geometry.frame.height;
    *shownWidth = geometry.shown.width;
    *shownHeight = geometry.shown.height;
    return static_cast<int>(VENCOR_OK);
  });
}

VIDMORA_EXPORT int vencor_read_tag(const char* path, const char* key, char* value, int valueSize) {
  return Guarded([&] {
    if (!path || !key || !value || valueSize < 1) return Failed(VENCOR_ERROR_ARGUMENTS, "no path, key or room");
    value[0] = '\0';
    const std::optional<std::string> tag = vencor::ReadContainerTag(path, key);
    if (!tag) return static_cast<int>(VENCOR_ERROR_INPUT_NO_TAG);
    if (tag->size() >= static_cast<size_t>(valueSize)) return Failed(VENCOR_ERROR_ARGUMENTS, "the tag is too long");
    std::memcpy(value, tag->c_str(), tag->size() + 1);
    return static_cast<int>(VENCOR_OK);
  });
}

VIDMORA_EXPORT const char* vencor_last_error(void) { return tlsLastError; }

VIDMORA_EXPORT const char* vencor_last_notes(void) { return vencor::Notes(); }

VIDMORA_EXPORT const char* vencor_last_summary(void) { return tlsSummary; }

}  // extern "C"
