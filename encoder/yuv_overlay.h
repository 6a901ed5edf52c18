#pragma once

// The watermark overlay converted once into a frame's own planar YUV format
// and blended straight into its planes, so that frames need no conversion to
// 24-bit pictures and back. Pure arithmetic on memory; no FFmpeg calls but
// the pixel format descriptors.
//
// Blending in YUV gives what blending in RGB and converting gives: YUV is an
// affine map of RGB, so the overlay's colour over the frame's mixes the same
// way in either. Chroma samples that cover several pixels take the pixels'
// mean alpha and mean premultiplied chroma. Rows and samples the overlay does
// not cover are not touched.

#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace vencor {

// How the samples code light: SDR, or HDR as PQ (SMPTE ST 2084) or HLG (ARIB STD-B67).
enum class Transfer { kSdr, kPq, kHlg };

// The colour matrix, range and transfer that the frame's samples are in.
struct YuvColors {
  double kr = 0.299;  // luma weights of red and blue (BT.601)
  double kb = 0.114;
  bool fullRange = false;
  // An HDR frame gets the overlay's colours (sRGB, BT.709 primaries) at the
  // reference white of graphics (ITU-R BT.2408: 203 cd/m2, 58 % PQ or 75 % HLG)
  // in BT.2020 primaries, not at the format's peak.
  Transfer transfer = Transfer::kSdr;
};

// The matrix and transfer of a frame from its tags; untagged frames take
// BT.709 from 720 rows up and BT.601 below, as players assume.
YuvColors ColorsOf(const AVFrame& frame);

class YuvOverlay {
 public:
  // True for the formats this blends into: planar YUV (with or without an
  // alpha plane, which is left as it is), 8 to 16 bits, native byte order.
  static bool Supports(AVPixelFormat format);

  // `argb` holds the overlay's rows [firstRow, endRow) of a width-pixel-wide
  // frame as premultiplied 0xAARRGGBB. `format` must be supported.
  YuvOverlay(AVPixelFormat format, int width, int height, int firstRow, int endRow, const uint32_t* argb,
             const YuvColors& colors);

  // Blends into the frame's planes in place (a frame of the overlay's format
  // and size).
  void BlendInto(AVFrame& frame) const;
  // The same with the overlay faded to opacity / 256 and moved by (dx, dy)
  // pixels, which are rounded to whole chroma samples; what falls outside
  // the frame is left out.
  void BlendInto(AVFrame& frame, uint32_t opacity, int dx, int dy) const;

  bool Empty() const { return runs_.empty(); }

 private:
  struct Run {
    int plane;
    int y;      // row of the plane
    int x0;     // first sample
    int count;
    size_t first;  // index of its first weight in weights_
  };
  // Per sample: out = (add + in x keep + 2^14) >> 15.
  struct Weight {
    uint32_t keep;
    uint32_t add;
  };
  // Adds the runs of one row of a plane: the samples the overlay changes.
  void AddRow(int plane, int y, const std::vector<Weight>& samples);

  int bytesPerSample_ = 1;
  int width_ = 0;
  int height_ = 0;
  int shiftW_ = 0;
  int shiftH_ = 0;
  std::vector<Run> runs_;
  std::vector<Weight> weights_;
};

}  // namespace vencor
