#include "encoder/yuv_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vencor {

namespace {

constexpr int kWeightBits = 15;
constexpr double kWeightOne = 1 << kWeightBits;

// One pixel of the overlay as the fractions the planes need: alpha and the
// premultiplied luma and colour differences (each of R, G, B in 0..1 times alpha).
struct Premultiplied {
  double alpha = 0;
  double luma = 0;
  double blueDiff = 0;  // Pb, -alpha/2..alpha/2
  double redDiff = 0;   // Pr
};

// BT.2408 graphics white: 203 cd/m2 of PQ's 10000, and the scene light at which HLG's signal is 75 %.
constexpr double kPqGraphicsWhite = 203.0 / 10000;
constexpr double kHlgGraphicsWhite = 0.26496;

double PqFromLinear(double light) {  // SMPTE ST 2084 inverse EOTF, light 0..1 of 10000 cd/m2
  constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32,
                   c3 = 2392.0 / 4096 * 32;
  const double p = std::pow(std::max(0.0, light), m1);
  return std::pow((c1 + c2 * p) / (1 + c3 * p), m2);
}

double HlgFromLinear(double light) {  // ARIB STD-B67 OETF, scene light 0..1
  constexpr double a = 0.17883277, b = 1 - 4 * a, c = 0.5599107295;
  light = std::max(0.0, light);
  return light <= 1.0 / 12 ? std::sqrt(3 * light) : a * std::log(12 * light - b) + c;
}

// The premultiplied sRGB colour, as HDR code values of the same colour at graphics white.
void ToHdr(double alpha, double& red, double& green, double& blue, Transfer transfer) {
  if (alpha <= 0) return;
  const auto linear = [alpha](double v) { return std::pow(std::clamp(v / alpha, 0.0, 1.0), 2.4); };
  const double r = linear(red), g = linear(green), b = linear(blue);
  // BT.709 primaries in BT.2020's (ITU-R BT.2087).
  const double r2 = 0.6274 * r + 0.3293 * g + 0.0433 * b;
  const double g2 = 0.0691 * r + 0.9195 * g + 0.0114 * b;
  const double b2 = 0.0164 * r + 0.0880 * g + 0.8956 * b;
  const auto code = [&](double v) {
    return alpha * (transfer == Transfer::kPq ? PqFromLinear(v * kPqGraphicsWhite) : HlgFromLinear(v * kHlgGraphicsWhite));
  };
  red = code(r2);
  green = code(g2);
  blue = code(b2);
}

Premultiplied Split(uint32_t pixel, const YuvColors& colors) {
  const double alpha = (pixel >> 24) / 255.0;
  double red = ((pixel >> 16) & 0xFF) / 255.0;
  double green = ((pixel >> 8) & 0xFF) / 255.0;
  double blue = (pixel & 0xFF) / 255.0;
  if (colors.transfer != Transfer::kSdr) ToHdr(alpha, red, green, blue, colors.transfer);
  // YUV is affine in RGB, so the premultiplied colour maps to the
  // premultiplied luma and differences directly.
  const double luma = colors.kr * red + (1 - colors.kr - colors.kb) * green + colors.kb * blue;
  return {alpha, luma, (blue - luma) / (2 * (1 - colors.kb)), (red - luma) / (2 * (1 - colors.kr))};
}

}  // namespace

YuvColors ColorsOf(const AVFrame& frame) {
  YuvColors colors;
  colors.fullRange = frame.color_range == AVCOL_RANGE_JPEG;
  const auto set = [&](double kr, double kb) {
    colors.kr = kr;
    colors.kb = kb;
  };
  if (frame.color_trc == AVCOL_TRC_SMPTE2084) colors.transfer = Transfer::kPq;
  if (frame.color_trc == AVCOL_TRC_ARIB_STD_B67) colors.transfer = Transfer::kHlg;
  switch (frame.colorspace) {
    case AVCOL_SPC_BT709: set(0.2126, 0.0722); break;
    case AVCOL_SPC_FCC: set(0.30, 0.11); break;
    case AVCOL_SPC_SMPTE240M: set(0.212, 0.087); break;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: set(0.2627, 0.0593); break;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M: set(0.299, 0.114); break;
    default:
      if (frame.height >= 720) set(0.2126, 0.0722);
      break;
  }
  return colors;
}

bool YuvOverlay::Supports(AVPixelFormat format) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  if (!d || !(d->flags & AV_PIX_FMT_FLAG_PLANAR)) return false;
  constexpr uint64_t kExcluded = AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM |
                                 AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_FLOAT | AV_PIX_FMT_FLAG_BAYER;
  if (d->flags & kExcluded) return false;
  if (d->nb_components != 3 && d->nb_components != 4) return false;
  const int depth = d->comp[0].depth;
  if (depth < 8 || depth > 16) return false;
  const int bytes = depth > 8 ? 2 : 1;
  const bool bigEndian = (d->flags & AV_PIX_FMT_FLAG_BE) != 0;
  if (bytes == 2 && bigEndian != (AV_NE(1, 0) == 1)) return false;
  for (int i = 0; i < 3; ++i) {
    const AVComponentDescriptor& c = d->comp[i];
    if (c.plane != i || c.step != bytes || c.offset != 0 || c.shift != 0 || c.depth != depth) return false;
  }
  return true;
}

YuvOverlay::YuvOverlay(AVPixelFormat format, int width, int height, int firstRow, int endRow, const uint32_t* argb,
                       const YuvColors& colors) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  const int depth = d->comp[0].depth;
  bytesPerSample_ = depth > 8 ? 2 : 1;
  width_ = width;
  height_ = height;
  shiftW_ = d->log2_chroma_w;
  shiftH_ = d->log2_chroma_h;
  const double top = std::ldexp(1.0, depth) - 1;        // full range: 0..top
  const double scale = std::ldexp(1.0, depth - 8);      // limited range: 16..235 and 16..240 times this
  const double middle = std::ldexp(1.0, depth - 1);

  std::vector<Premultiplied> pixels(static_cast<size_t>(width) * (endRow - firstRow));
  for (size_t i = 0; i < pixels.size(); ++i)
    if (argb[i] != 0) pixels[i] = Split(argb[i], colors);
  const auto pixel = [&](int x, int y) -> const Premultiplied* {
    if (y < firstRow || y >= endRow) return nullptr;
    return &pixels[static_cast<size_t>(y - firstRow) * width + x];
  };
  const auto weight = [](double alpha, double value) {
    return Weight{static_cast<uint32_t>(std::lround((1 - alpha) * kWeightOne)),
                  static_cast<uint32_t>(std::lround(std::max(0.0, value) * kWeightOne))};
  };

  // Luma: one sample a pixel.
  std::vector<Weight> row(static_cast<size_t>(width));
  for (int y = firstRow; y < endRow; ++y) {
    for (int x = 0; x < width; ++x) {
      const Premultiplied& p = *pixel(x, y);
      const double value = colors.fullRange ? p.luma * top : scale * (16 * p.alpha + 219 * p.luma);
      row[x] = weight(p.alpha, value);
    }
    AddRow(0, y, row);
  }

  // Chroma: a sample covers a block of pixels, whose mean it takes.
  const int shiftW = d->log2_chroma_w, shiftH = d->log2_chroma_h;
  const int chromaWidth = (width + (1 << shiftW) - 1) >> shiftW;
  std::vector<Weight> blueRow(static_cast<size_t>(chromaWidth)), redRow(static_cast<size_t>(chromaWidth));
  for (int cy = firstRow >> shiftH; cy << shiftH < endRow; ++cy) {
    for (int cx = 0; cx < chromaWidth; ++cx) {
      double alpha = 0, blue = 0, red = 0;
      int count = 0;
      for (int y = cy << shiftH; y < std::min((cy + 1) << shiftH, height); ++y)
        for (int x = cx << shiftW; x < std::min((cx + 1) << shiftW, width); ++x) {
          ++count;
          if (const Premultiplied* p = pixel(x, y)) {
            alpha += p->alpha;
            blue += p->blueDiff;
            red += p->redDiff;
          }
        }
      alpha /= count;
      blue /= count;
      red /= count;
      const double range = colors.fullRange ? top : 224 * scale;
      blueRow[cx] = weight(alpha, middle * alpha + range * blue);
      redRow[cx] = weight(alpha, middle * alpha + range * red);
    }
    AddRow(1, cy, blueRow);
    AddRow(2, cy, redRow);
  }
}

void YuvOverlay::AddRow(int plane, int y, const std::vector<Weight>& samples) {
  const int planeWidth = static_cast<int>(samples.size());
  const uint32_t untouched = static_cast<uint32_t>(kWeightOne);
  int x = 0;
  while (true) {
    while (x < planeWidth && samples[x].keep == untouched && samples[x].add == 0) ++x;
    if (x >= planeWidth) break;
    const int start = x;
    while (x < planeWidth && !(samples[x].keep == untouched && samples[x].add == 0)) ++x;
    runs_.push_back({plane, y, start, x - start, weights_.size()});
    weights_.insert(weights_.end(), samples.begin() + start, samples.begin() + x);
  }
}

void YuvOverlay::BlendInto(AVFrame& frame) const {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  const uint32_t top = (1u << d->comp[0].depth) - 1;
  constexpr uint32_t kHalf = 1u << (kWeightBits - 1);
  for (const Run& run : runs_) {
    uint8_t* line = frame.data[run.plane] + static_cast<ptrdiff_t>(run.y) * frame.linesize[run.plane];
    const Weight* w = weights_.data() + run.first;
    if (bytesPerSample_ == 1) {
      uint8_t* s = line + run.x0;
      for (int i = 0; i < run.count; ++i)
        s[i] = static_cast<uint8_t>(std::min<uint32_t>((w[i].add + s[i] * w[i].keep + kHalf) >> kWeightBits, top));
    } else {
      uint16_t* s = reinterpret_cast<uint16_t*>(line) + run.x0;
      for (int i = 0; i < run.count; ++i)
        s[i] = static_cast<uint16_t>(std::min<uint32_t>((w[i].add + s[i] * w[i].keep + kHalf) >> kWeightBits, top));
    }
  }
}

void YuvOverlay::BlendInto(AVFrame& frame, uint32_t opacity, int dx, int dy) const {
  if (opacity >= 256 && dx == 0 && dy == 0) return BlendInto(frame);
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  const uint32_t top = (1u << d->comp[0].depth) - 1;
  constexpr uint32_t kHalf = 1u << (kWeightBits - 1);
  const uint32_t one = static_cast<uint32_t>(kWeightOne);
  const auto whole = [](int value, int shift) {
    const int step = 1 << shift;
    return (value >= 0 ? (value + step / 2) / step : -((-value + step / 2) / step));
  };
  const int chromaDx = whole(dx, shiftW_), chromaDy = whole(dy, shiftH_);
  for (const Run& run : runs_) {
    const bool chroma = run.plane == 1 || run.plane == 2;
    const int planeWidth = chroma ? (width_ + (1 << shiftW_) - 1) >> shiftW_ : width_;
    const int planeHeight = chroma ? (height_ + (1 << shiftH_) - 1) >> shiftH_ : height_;
    const int y = run.y + (chroma ? chromaDy : chromaDy << shiftH_);
    if (y < 0 || y >= planeHeight) continue;
    const int shiftX = chroma ? chromaDx : chromaDx << shiftW_;
    const int first = std::max(0, -(run.x0 + shiftX));
    const int last = std::min(run.count, planeWidth - (run.x0 + shiftX));
    if (first >= last) continue;
    uint8_t* line = frame.data[run.plane] + static_cast<ptrdiff_t>(y) * frame.linesize[run.plane];
    const Weight* w = weights_.data() + run.first;
    const int x0 = run.x0 + shiftX;
    for (int i = first; i < last; ++i) {
      const uint32_t keep = one - (((one - w[i].keep) * opacity + 128) >> 8);
      const uint32_t add = static_cast<uint32_t>((static_cast<uint64_t>(w[i].add) * opacity + 128) >> 8);
      if (bytesPerSample_ == 1) {
        uint8_t& s = line[x0 + i];
        s = static_cast<uint8_t>(std::min<uint32_t>((add + s * keep + kHalf) >> kWeightBits, top));
      } else {
        uint16_t& s = reinterpret_cast<uint16_t*>(line)[x0 + i];
        s = static_cast<uint16_t>(std::min<uint32_t>((add + s * keep + kHalf) >> kWeightBits, top));
      }
    }
  }
}

}  // namespace vencor
