#pragma once

// Single pictures of a source for previews: the frame shown at a given time,
// decoded, turned upright as players show it and converted to 24-bit BGR, and
// the size such pictures (and the frames the encoder paints) have. Every
// FFmpeg object is owned for the call; nothing is kept. Any thread.

#include "encoder/output_format.h"

#include <functional>
#include <string>

namespace vencor {

// The size of the source's frames as the encoder hands them to the frame hook:
// the decoder's width and height, swapped for a rotation of 90 or 270
// degrees. Throws TranscodeError (VENCOR_ERROR_INPUT, VENCOR_ERROR_NO_VIDEO,
// also for a still picture such as a PNG or JPEG file).
PictureSize DisplayedFrameSize(const std::string& path);

// The source's frames as the encoder paints them (`frame`: DisplayedFrameSize)
// and as players show them (`shown`: the sample aspect ratio applied to the
// width, then turned upright). Equal for square pixels. Throws as
// DisplayedFrameSize does.
struct FrameGeometry {
  PictureSize frame;
  PictureSize shown;
};
FrameGeometry SourceFrameGeometry(const std::string& path);

// Rows of width x 3 bytes (blue, green, red), `strideBytes` apart, first row
// at the top; valid only during the call.
using PictureSink = std::function<void(const unsigned char* bgr, int width, int height, int strideBytes)>;

// Decodes the frame shown at `seconds` from the start (the last frame when
// the time lies beyond the end, the first when it is negative) and hands it
// upright, as players show it (FrameGeometry's `shown` size), to `sink`.
// Throws TranscodeError.
void GrabFrame(const std::string& path, double seconds, const PictureSink& sink);

}  // namespace vencor
