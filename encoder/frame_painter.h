#pragma once

// Hands every video frame to the drawing library's frame hook and turns the
// painted picture into the frame to encode.
//
// The hook paints into 24-bit BGR rows (each padded to 4 bytes, first row at
// the top). A round trip through 8-bit RGB is not lossless (colours outside
// RGB clip, chroma is resampled), and converting whole frames costs time, so
// the painter asks the drawing library which rows the hook will change,
// converts only that band for it, keeps the band as it was before the hook,
// converts back only the rows the hook changed and takes from them only the
// pixels the hook changed (and the chroma samples that cover them); every
// other pixel stays exactly as decoded. Rows outside the band are never read
// by the hook. A frame the hook leaves alone is passed on as it came, without
// a copy.
//
// Where the drawing library offers its overlay (FrameHookOverlay) and the
// frame's format is planar YUV, the painter skips all that: it converts the
// overlay once into the frame's format and colours (YuvOverlay) and blends it
// straight into every frame's planes. Layers with timing or motion come as
// parts of the overlay, each converted once and laid on every frame with the
// opacity and offset of its time (offsets in whole chroma samples). The hook
// stays for the other cases
// (pictures scaled into a box, layers painted directly, packed formats).
//
// Output frames come from a pool. One thread uses an object (the thread of
// dowm, which is the one the hook must be called on).

#include "encoder/av_handles.h"
#include "encoder/output_format.h"
#include "encoder/yuv_overlay.h"

#include <memory>
#include <string>

#include <vector>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace vencor {

enum class Framing {
  kPadToEven,  // the picture as it is, its last column and row repeated up to an even size
  kFitInside,  // scaled to fit inside the target size (aspect kept), centred on black
};

class FramePainter {
 public:
  // Frames of width x height in `format` (a planar YUV format of the encoder)
  // come in; frames of `target` in the same format go out. `displayAspect` is
  // the picture's width:height as shown, used by kFitInside.
  // `useOverlay` false always takes the hook (to compare both ways).
  FramePainter(int width, int height, AVPixelFormat format, PictureSize target, Framing framing, double displayAspect,
               bool useOverlay = true);
  FramePainter(const FramePainter&) = delete;
  FramePainter& operator=(const FramePainter&) = delete;

  // Paints `frame` and returns the frame to encode (its own reference; the
  // properties of `frame` copied). When this is the only reference to the
  // picture of `frame`, the picture itself is painted; otherwise a copy.
  // Throws std::bad_alloc.
  FramePtr Paint(AVFrame& frame);

  // Frames' timestamps are in `timeBase`; the clip lasts clipSeconds (0 when
  // unknown). From then on each frame is painted at its own time (layers with
  // timing or motion). Without it frames are painted as if untimed.
  void SetClipTiming(AVRational timeBase, double clipSeconds);

  // Output frames come at `rate`; the source's timecode starts at
  // `startTimecode` (empty: none). From then on every frame is painted with
  // its number and timecode (texts with frame tokens).
  void SetFrameClock(AVRational rate, std::string startTimecode);

  // True once frames are blended from the overlay in their own format.
  bool BlendsInYuv() const { return yuvOverlay_ != nullptr || !yuvParts_.empty(); }

  // Non-zero results of the hook so far (logged the first time).
  long long HookFailures() const { return hookFailures_; }

 private:
  // [first, end) widened to whole chroma rows and to a multiple of the band
  // step, within the frame.
  std::pair<int, int> Band(int firstRow, int endRow) const;
  // Converts rows [firstRow, endRow) of the frame (a Band) into the BGR picture.
  void ConvertToBgr(const AVFrame& frame, int firstRow, int endRow);
  // [firstRow, endRow) of the rows within [bandFirst, bandEnd) that the hook
  // changed; empty when none.
  std::pair<int, int> ChangedRows(int bandFirst, int bandEnd) const;
  FramePtr NewOutputFrame(const AVFrame& frame);
  // Converts back the rows [changedFirst, changedEnd) widened to a band that
  // ends by bandEnd (the rows converted for the hook; those after it are stale)
  // and merges the pixels the hook changed into `out`.
  void WriteBackRows(AVFrame& out, int changedFirst, int changedEnd, int bandEnd, const AVFrame& frame);
  void MergeChangedPixels(AVFrame& out, int firstRow, int rows);
  void RepeatEdges(AVFrame& out) const;
  void ScaleIntoBox(AVFrame& out, const AVFrame& frame);
  void UpdateColorDetails(SwsContext* context, const AVFrame& frame, bool toBgr);
  // The overlay in the frame's format and colours, made on the first frame
  // (and again should the colours change); null when the hook must be used.
  const YuvOverlay* OverlayFor(const AVFrame& frame);
  FramePtr PaintInYuv(AVFrame& frame, const YuvOverlay& overlay);
  // The overlay's parts in the frame's format, for layers with timing or
  // motion (each laid on with its opacity and offset at the frame's time);
  // false when the hook must be used.
  bool PartsFor(const AVFrame& frame);
  FramePtr PaintPartsInYuv(AVFrame& frame);
  // The frame to encode, with `blend(picture)` applied (unless `nothing` is
  // to be blended): `frame` itself where it may be written and has the
  // output's size, else a copy of the output's size with its edges repeated.
  template <typename Blend>
  FramePtr BlendInYuv(AVFrame& frame, bool nothing, const Blend& blend);
  // The 24-bit pictures of the hook, made when the hook is first needed.
  void AllocateHookPictures();

  const int width_;
  const int height_;
  const AVPixelFormat format_;
  const PictureSize target_;
  const Framing framing_;
  const AVPixFmtDescriptor* descriptor_;
  const int bgrStrideBytes_;
  PictureSize box_;  // kFitInside: the scaled picture inside the target
  AvBytesPtr bgr_;       // what the hook paints
  AvBytesPtr pristine_;  // the same before painting
  uint8_t* band_[4] = {};  // the changed band converted back, at its place in a frame-sized image
  int bandLinesize_[4] = {};
  AvBytesPtr bandOwner_;
  std::vector<uint8_t> chromaMask_;  // chroma samples of the band that cover a changed pixel
  SwsPtr toBgr_;           // band conversion for the hook
  int toBgrRows_ = 0;
  SwsContext* fromBgr_ = nullptr;  // band or box conversion, owned via fromBgrOwner_
  SwsPtr fromBgrOwner_;
  int fromBgrRows_ = 0;
  BufferPoolPtr pool_;
  int poolBytes_ = 0;
  int toBgrColors_ = -1;    // colour details last set on toBgr_
  int fromBgrColors_ = -1;  // and on fromBgr_
  long long hookFailures_ = 0;
  AVRational timeBase_{0, 1};  // of the frames' pts; 0/1 when no time is handed on
  long long clipMs_ = 0;
  AVRational frameRate_{0, 1};  // of the output; 0/1 until SetFrameClock
  std::string startTimecode_;
  long long framesPainted_ = 0;
  bool overlayWanted_;                      // still worth asking the drawing library for its overlay
  std::unique_ptr<YuvOverlay> yuvOverlay_;
  int yuvOverlayColors_ = -1;               // colour details it was made for
  bool partsWanted_ = false;                // timed layers: worth asking for the overlay's parts
  std::vector<std::unique_ptr<YuvOverlay>> yuvParts_;
  int yuvPartsColors_ = -1;
};

}  // namespace vencor
