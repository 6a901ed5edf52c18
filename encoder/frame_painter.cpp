#include "encoder/frame_painter.h"

#include "draw/glyphra.h"
#include "encoder/errors.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vencor {

namespace {

// Band heights are rounded up to this many rows, so that a watermark that
// moves a little does not make a new conversion context every frame.
constexpr int kBandRowStep = 16;

int SwsColorSpace(const AVFrame& frame) {
  switch (frame.colorspace) {
    case AVCOL_SPC_BT709: return SWS_CS_ITU709;
    case AVCOL_SPC_FCC: return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M: return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: return SWS_CS_BT2020;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: return SWS_CS_ITU601;
    default:
      // Untagged: players assume BT.709 for HD pictures and BT.601 below.
      return frame.height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
  }
}

int ColorKey(const AVFrame& frame) {
  return (SwsColorSpace(frame) * 2 + (frame.color_range == AVCOL_RANGE_JPEG)) * 64 + frame.color_trc;
}

}  // namespace

FramePainter::FramePainter(int width, int height, AVPixelFormat format, PictureSize target, Framing framing,
                           double displayAspect, bool useOverlay)
    : width_(width),
      height_(height),
      format_(format),
      target_(target),
      framing_(framing),
      descriptor_(av_pix_fmt_desc_get(format)),
      bgrStrideBytes_(FFALIGN(width * 3, 4)),
      overlayWanted_(useOverlay && framing == Framing::kPadToEven && YuvOverlay::Supports(format)) {
  box_ = framing == Framing::kFitInside ? FitInside(displayAspect, target) : PictureSize{width, height};
  if (framing == Framing::kFitInside) {
    fromBgrOwner_.reset(sws_getContext(width, height, AV_PIX_FMT_BGR24, box_.width, box_.height, format,
                                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
    fromBgr_ = fromBgrOwner_.get();
  }
  poolBytes_ = av_image_get_buffer_size(format, target.width, target.height, 64);
  if (poolBytes_ > 0) pool_.reset(av_buffer_pool_init(static_cast<size_t>(poolBytes_) + 64 + AV_INPUT_BUFFER_PADDING_SIZE, nullptr));
  if (!pool_ || (framing == Framing::kFitInside && !fromBgr_)) throw std::bad_alloc();
}

void FramePainter::AllocateHookPictures() {
  if (bgr_) return;
  const size_t bgrBytes = static_cast<size_t>(bgrStrideBytes_) * height_ + 64;
  bgr_.reset(static_cast<uint8_t*>(av_mallocz(bgrBytes)));
  pristine_.reset(static_cast<uint8_t*>(av_mallocz(bgrBytes)));
  if (!bgr_ || !pristine_) throw std::bad_alloc();
  if (framing_ == Framing::kPadToEven) {
    if (av_image_alloc(band_, bandLinesize_, width_, height_, format_, 64) < 0) throw std::bad_alloc();
    bandOwner_.reset(band_[0]);
  }
}

void FramePainter::SetClipTiming(AVRational timeBase, double clipSeconds) {
  timeBase_ = timeBase;
  clipMs_ = clipSeconds > 0 ? std::llround(clipSeconds * 1000) : 0;
}

const YuvOverlay* FramePainter::OverlayFor(const AVFrame& frame) {
  if (!overlayWanted_) return nullptr;
  if (FrameHookTimed(width_, height_)) {
    // Frames differ by time: the overlay's parts are laid on each at its own.
    overlayWanted_ = false;
    partsWanted_ = true;
    return nullptr;
  }
  const int colors = ColorKey(frame);
  if (yuvOverlay_ && colors == yuvOverlayColors_) return yuvOverlay_.get();
  int firstRow = 0, endRow = 0;
  std::vector<uint32_t> argb;
  if (FrameHookRows(width_, height_, &firstRow, &endRow)) {
    argb.resize(static_cast<size_t>(width_) * (endRow - firstRow));
    static_assert(sizeof(uint32_t) == sizeof(unsigned int));
    if (!FrameHookOverlay(width_, height_, firstRow, endRow, reinterpret_cast<unsigned int*>(argb.data()))) argb.clear();
    else if (argb.empty()) argb.push_back(0);  // nothing painted: an empty overlay
  }
  if (argb.empty()) {
    overlayWanted_ = false;  // the layers are painted directly: the hook it is, for the whole clip
    yuvOverlay_.reset();
    return nullptr;
  }
  yuvOverlay_ = std::make_unique<YuvOverlay>(format_, width_, height_, firstRow, endRow, argb.data(), ColorsOf(frame));
  yuvOverlayColors_ = colors;
  return yuvOverlay_.get();
}

template <typename Blend>
FramePtr FramePainter::BlendInYuv(AVFrame& frame, bool nothing, const Blend& blend) {
  const bool sameSize = target_.width == width_ && target_.height == height_;
  if (sameSize && (nothing || av_frame_is_writable(&frame))) {
    // Nobody else holds the decoded picture (the decoder keeps only its
    // reference frames): blend into it rather than into a copy.
    if (!nothing) blend(frame);
    FramePtr out(av_frame_clone(&frame));
    if (!out) throw std::bad_alloc();
    return out;
  }
  FramePtr out = NewOutputFrame(frame);
  av_image_copy(out->data, out->linesize, const_cast<const uint8_t**>(frame.data), frame.linesize, format_, width_, height_);
  if (!nothing) blend(*out);
  if (!sameSize) RepeatEdges(*out);
  return out;
}

FramePtr FramePainter::PaintInYuv(AVFrame& frame, const YuvOverlay& overlay) {
  return BlendInYuv(frame, overlay.Empty(), [&](AVFrame& target) { overlay.BlendInto(target); });
}

bool FramePainter::PartsFor(const AVFrame& frame) {
  if (!partsWanted_) return false;
  const int colors = ColorKey(frame);
  if (!yuvParts_.empty() && colors == yuvPartsColors_) return true;
  yuvParts_.clear();
  const int count = FrameHookParts(width_, height_);
  for (int index = 0; index < count; ++index) {
    int firstRow = 0, endRow = 0;
    std::vector<uint32_t> argb;
    if (FrameHookPartRows(width_, height_, index, &firstRow, &endRow)) {
      argb.resize(static_cast<size_t>(width_) * (endRow - firstRow));
      if (argb.empty()) argb.push_back(0);
      else if (!FrameHookPartPixels(width_, height_, index, firstRow, endRow, reinterpret_cast<unsigned int*>(argb.data())))
        argb.clear();
    }
    if (argb.empty()) {
      yuvParts_.clear();
      break;
    }
    yuvParts_.push_back(std::make_unique<YuvOverlay>(format_, width_, height_, firstRow, endRow, argb.data(), ColorsOf(frame)));
  }
  if (count <= 0 || yuvParts_.empty()) {
    partsWanted_ = false;  // the layers are painted directly: the hook it is, for the whole clip
    return false;
  }
  yuvPartsColors_ = colors;
  return true;
}

FramePtr FramePainter::PaintPartsInYuv(AVFrame& frame) {
  struct Shown {
    const YuvOverlay* part;
    int opacity, dx, dy;
  };
  std::vector<Shown> shown;
  for (size_t index = 0; index < yuvParts_.size(); ++index) {
    int opacity = 0, dx = 0, dy = 0;
    if (!yuvParts_[index]->Empty() && FrameHookPartAt(static_cast<int>(index), &opacity, &dx, &dy))
      shown.push_back({yuvParts_[index].get(), opacity, dx, dy});
  }
  return BlendInYuv(frame, shown.empty(), [&](AVFrame& target) {
    for (const Shown& part : shown) part.part->BlendInto(target, static_cast<uint32_t>(part.opacity), part.dx, part.dy);
  });
}

void FramePainter::SetFrameClock(AVRational rate, std::string startTimecode) {
  frameRate_ = rate;
  startTimecode_ = std::move(startTimecode);
}

FramePtr FramePainter::Paint(AVFrame& frame) {
  if (frameRate_.num > 0)
    SetFrameHookClock(framesPainted_++, frameRate_.num, frameRate_.den,
                      startTimecode_.empty() ? nullptr : startTimecode_.c_str());
  if (timeBase_.num > 0 && frame.pts != AV_NOPTS_VALUE)
    SetFrameHookTime(av_rescale_q(frame.pts, timeBase_, AVRational{1, 1000}), clipMs_);
  if (const YuvOverlay* overlay = OverlayFor(frame)) return PaintInYuv(frame, *overlay);
  if (PartsFor(frame)) return PaintPartsInYuv(frame);
  AllocateHookPictures();
  // A picture scaled into a box needs all of it; otherwise only the rows the
  // hook will change are converted for it.
  int hookFirst = 0, hookEnd = height_;
  if (framing_ == Framing::kFitInside || !FrameHookRows(width_, height_, &hookFirst, &hookEnd)) {
    hookFirst = 0;
    hookEnd = height_;
  }
  const auto [bandFirst, bandEnd] = hookFirst < hookEnd ? Band(hookFirst, hookEnd) : std::pair{0, 0};
  if (bandFirst < bandEnd) {
    ConvertToBgr(frame, bandFirst, bandEnd);
    const size_t offset = static_cast<size_t>(bandFirst) * bgrStrideBytes_;
    if (framing_ == Framing::kPadToEven)
      std::memcpy(pristine_.get() + offset, bgr_.get() + offset, static_cast<size_t>(bandEnd - bandFirst) * bgrStrideBytes_);
  }
  if (const int status = cplusplusout(bgr_.get(), width_, height_); status != 0 && hookFailures_++ == 0)
    Log("the frame hook reported status %d; frames are encoded as painted", status);

  if (framing_ == Framing::kFitInside) {
    FramePtr out = NewOutputFrame(frame);
    ScaleIntoBox(*out, frame);
    return out;
  }
  const std::pair<int, int> changed = ChangedRows(bandFirst, bandEnd);
  return BlendInYuv(frame, changed.first == changed.second, [&, end = bandEnd](AVFrame& target) {
    WriteBackRows(target, changed.first, changed.second, end, frame);
  });
}

void FramePainter::UpdateColorDetails(SwsContext* context, const AVFrame& frame, bool toBgr) {
  int& last = toBgr ? toBgrColors_ : fromBgrColors_;
  const int key = ColorKey(frame);
  if (key == last) return;
  const int* yuv = sws_getCoefficients(SwsColorSpace(frame));
  const int yuvFull = frame.color_range == AVCOL_RANGE_JPEG;
  const int* rgb = sws_getCoefficients(SWS_CS_DEFAULT);
  if (toBgr) sws_setColorspaceDetails(context, yuv, yuvFull, rgb, 1, 0, 1 << 16, 1 << 16);
  else sws_setColorspaceDetails(context, rgb, 1, yuv, yuvFull, 0, 1 << 16, 1 << 16);
  last = key;
}

std::pair<int, int> FramePainter::Band(int firstRow, int endRow) const {
  // Chroma rows of a subsampled format cover several picture rows: the band
  // starts on such a boundary so that every chroma row it touches is whole.
  const int chromaRows = 1 << descriptor_->log2_chroma_h;
  firstRow &= ~(chromaRows - 1);
  const int rows = (endRow - firstRow + kBandRowStep - 1) / kBandRowStep * kBandRowStep;
  return {firstRow, std::min(firstRow + rows, height_)};
}

void FramePainter::ConvertToBgr(const AVFrame& frame, int firstRow, int endRow) {
  const int rows = endRow - firstRow;
  if (!toBgr_ || rows != toBgrRows_) {
    // Same width, so swscale takes its fast unscaled converter here.
    toBgr_.reset(sws_getContext(width_, rows, format_, width_, rows, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr,
                                nullptr));
    if (!toBgr_) throw std::bad_alloc();
    toBgrRows_ = rows;
    toBgrColors_ = -1;
  }
  UpdateColorDetails(toBgr_.get(), frame, true);
  const uint8_t* src[4] = {};
  for (int plane = 0; plane < 4 && frame.data[plane]; ++plane) {
    const bool chroma = plane == 1 || plane == 2;
    const int planeRow = chroma ? firstRow >> descriptor_->log2_chroma_h : firstRow;
    src[plane] = frame.data[plane] + static_cast<ptrdiff_t>(planeRow) * frame.linesize[plane];
  }
  uint8_t* dst[4] = {bgr_.get() + static_cast<size_t>(firstRow) * bgrStrideBytes_, nullptr, nullptr, nullptr};
  const int dstStride[4] = {bgrStrideBytes_, 0, 0, 0};
  sws_scale(toBgr_.get(), src, frame.linesize, 0, rows, dst, dstStride);
}

std::pair<int, int> FramePainter::ChangedRows(int bandFirst, int bandEnd) const {
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  const auto rowDiffers = [&](int row) {
    const size_t offset = static_cast<size_t>(row) * bgrStrideBytes_;
    return std::memcmp(bgr_.get() + offset, pristine_.get() + offset, rowBytes) != 0;
  };
  int first = bandFirst;
  while (first < bandEnd && !rowDiffers(first)) ++first;
  if (first == bandEnd) return {0, 0};
  int end = bandEnd;
  while (end > first && !rowDiffers(end - 1)) --end;
  return {first, end};
}

FramePtr FramePainter::NewOutputFrame(const AVFrame& frame) {
  FramePtr out = MakeFrame();
  out->buf[0] = av_buffer_pool_get(pool_.get());
  if (!out->buf[0]) throw std::bad_alloc();
  uint8_t* base = out->buf[0]->data;
  base += (64 - reinterpret_cast<uintptr_t>(base) % 64) % 64;
  if (av_image_fill_arrays(out->data, out->linesize, base, format_, target_.width, target_.height, 64) < 0)
    throw std::bad_alloc();
  out->format = format_;
  out->width = target_.width;
  out->height = target_.height;
  if (av_frame_copy_props(out.get(), &frame) < 0) throw std::bad_alloc();
  if (framing_ == Framing::kFitInside) out->sample_aspect_ratio = AVRational{1, 1};
  return out;
}

void FramePainter::WriteBackRows(AVFrame& out, int changedFirst, int changedEnd, int bandEnd, const AVFrame& frame) {
  const auto [firstRow, endRow] = Band(changedFirst, changedEnd);
  const int rows = std::min(endRow, bandEnd) - firstRow;
  if (!fromBgr_ || rows != fromBgrRows_) {
    fromBgrOwner_.reset(sws_getContext(width_, rows, AV_PIX_FMT_BGR24, width_, rows, format_,
                                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr));
    fromBgr_ = fromBgrOwner_.get();
    if (!fromBgr_) throw std::bad_alloc();
    fromBgrRows_ = rows;
    fromBgrColors_ = -1;
  }
  UpdateColorDetails(fromBgr_, frame, false);
  const uint8_t* src[4] = {bgr_.get() + static_cast<size_t>(firstRow) * bgrStrideBytes_, nullptr, nullptr, nullptr};
  const int srcStride[4] = {bgrStrideBytes_, 0, 0, 0};
  uint8_t* dst[4] = {};
  for (int plane = 0; plane < 4 && band_[plane]; ++plane) {
    const bool chroma = plane == 1 || plane == 2;
    const int planeRow = chroma ? firstRow >> descriptor_->log2_chroma_h : firstRow;
    dst[plane] = band_[plane] + static_cast<ptrdiff_t>(planeRow) * bandLinesize_[plane];
  }
  sws_scale(fromBgr_, src, srcStride, 0, rows, dst, bandLinesize_);
  MergeChangedPixels(out, firstRow, rows);
}

void FramePainter::MergeChangedPixels(AVFrame& out, int firstRow, int rows) {
  const int shiftW = descriptor_->log2_chroma_w, shiftH = descriptor_->log2_chroma_h;
  const int bytesPerSample = descriptor_->comp[0].depth > 8 ? 2 : 1;
  const int chromaWidth = AV_CEIL_RSHIFT(width_, shiftW);
  const int chromaRow0 = firstRow >> shiftH;
  const int chromaRows = AV_CEIL_RSHIFT(firstRow + rows, shiftH) - chromaRow0;
  chromaMask_.assign(static_cast<size_t>(chromaWidth) * chromaRows, 0);
  const size_t rowBytes = static_cast<size_t>(width_) * 3;

  for (int y = firstRow; y < firstRow + rows; ++y) {
    const uint8_t* painted = bgr_.get() + static_cast<size_t>(y) * bgrStrideBytes_;
    const uint8_t* before = pristine_.get() + static_cast<size_t>(y) * bgrStrideBytes_;
    if (std::memcmp(painted, before, rowBytes) == 0) continue;
    uint8_t* luma = out.data[0] + static_cast<ptrdiff_t>(y) * out.linesize[0];
    const uint8_t* converted = band_[0] + static_cast<ptrdiff_t>(y) * bandLinesize_[0];
    uint8_t* mask = chromaMask_.data() + static_cast<size_t>((y >> shiftH) - chromaRow0) * chromaWidth;
    for (int x = 0; x < width_; ++x) {
      const int i = x * 3;
      if (painted[i] == before[i] && painted[i + 1] == before[i + 1] && painted[i + 2] == before[i + 2]) continue;
      std::memcpy(luma + static_cast<ptrdiff_t>(x) * bytesPerSample,
                  converted + static_cast<ptrdiff_t>(x) * bytesPerSample, bytesPerSample);
      mask[x >> shiftW] = 1;
    }
  }
  for (int plane = 1; plane < 4 && out.data[plane]; ++plane) {
    const bool chroma = plane == 1 || plane == 2;
    for (int row = 0; row < chromaRows; ++row) {
      const int y = chroma ? chromaRow0 + row : 0;
      if (!chroma) break;  // an alpha plane is copied from the source as it is
      uint8_t* dst = out.data[plane] + static_cast<ptrdiff_t>(y) * out.linesize[plane];
      const uint8_t* src = band_[plane] + static_cast<ptrdiff_t>(y) * bandLinesize_[plane];
      const uint8_t* mask = chromaMask_.data() + static_cast<size_t>(row) * chromaWidth;
      for (int x = 0; x < chromaWidth; ++x)
        if (mask[x])
          std::memcpy(dst + static_cast<ptrdiff_t>(x) * bytesPerSample,
                      src + static_cast<ptrdiff_t>(x) * bytesPerSample, bytesPerSample);
    }
  }
}

void FramePainter::RepeatEdges(AVFrame& out) const {
  for (int plane = 0; plane < 4 && out.data[plane]; ++plane) {
    const bool chroma = plane == 1 || plane == 2;
    const int shiftW = chroma ? descriptor_->log2_chroma_w : 0;
    const int shiftH = chroma ? descriptor_->log2_chroma_h : 0;
    const int bytesPerSample = descriptor_->comp[0].depth > 8 ? 2 : 1;
    const int usedWidth = AV_CEIL_RSHIFT(width_, shiftW), usedHeight = AV_CEIL_RSHIFT(height_, shiftH);
    const int fullWidth = AV_CEIL_RSHIFT(target_.width, shiftW), fullHeight = AV_CEIL_RSHIFT(target_.height, shiftH);
    uint8_t* data = out.data[plane];
    const int stride = out.linesize[plane];
    for (int y = 0; y < usedHeight; ++y) {
      uint8_t* row = data + static_cast<ptrdiff_t>(y) * stride;
      for (int x = usedWidth; x < fullWidth; ++x)
        std::memcpy(row + static_cast<ptrdiff_t>(x) * bytesPerSample,
                    row + static_cast<ptrdiff_t>(usedWidth - 1) * bytesPerSample, bytesPerSample);
    }
    for (int y = usedHeight; y < fullHeight; ++y)
      std::memcpy(data + static_cast<ptrdiff_t>(y) * stride, data + static_cast<ptrdiff_t>(usedHeight - 1) * stride,
                  static_cast<size_t>(fullWidth) * bytesPerSample);
  }
}

void FramePainter::ScaleIntoBox(AVFrame& out, const AVFrame& frame) {
  const ptrdiff_t lines[4] = {out.linesize[0], out.linesize[1], out.linesize[2], out.linesize[3]};
  av_image_fill_black(out.data, lines, format_, frame.color_range, target_.width, target_.height);
  UpdateColorDetails(fromBgr_, frame, false);
  // Offsets on whole chroma samples.
  const int left = ((target_.width - box_.width) / 2) & ~((1 << descriptor_->log2_chroma_w) - 1);
  const int top = ((target_.height - box_.height) / 2) & ~((1 << descriptor_->log2_chroma_h) - 1);
  uint8_t* dst[4] = {};
  for (int plane = 0; plane < 4 && out.data[plane]; ++plane) {
    const bool chroma = plane == 1 || plane == 2;
    const int x = chroma ? left >> descriptor_->log2_chroma_w : left;
    const int y = chroma ? top >> descriptor_->log2_chroma_h : top;
    dst[plane] = out.data[plane] + static_cast<ptrdiff_t>(y) * out.linesize[plane] + x;
  }
  const uint8_t* src[4] = {bgr_.get(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {bgrStrideBytes_, 0, 0, 0};
  sws_scale(fromBgr_, src, srcStride, 0, height_, dst, out.linesize);
}

}  // namespace vencor
