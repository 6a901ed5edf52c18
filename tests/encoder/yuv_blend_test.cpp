// The watermark blended in the frame's own YUV format gives the pixels that
// the 24-bit frame hook gives, within the rounding of one conversion, for
// every kind of layer, in 8 and 10 bits, limited and full range, 4:2:0, 4:2:2
// and 4:4:4, and odd sizes. Pixels the watermark does not cover stay exact.

#include "draw/glyphra.h"
#include "encoder/frame_painter.h"
#include "tests/draw/template_fixture.h"
#include "tests/support/temp_env.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace vencor {
namespace {

namespace fs = std::filesystem;

// A smooth picture (in gamut, so that no colour clips on the way through RGB).
FramePtr GradientFrame(AVPixelFormat format, int width, int height, AVColorRange range) {
  FramePtr frame = MakeFrame();
  frame->format = format;
  frame->width = width;
  frame->height = height;
  frame->color_range = range;
  if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::bad_alloc();
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(format);
  const int shift = d->comp[0].depth - 8;
  for (int plane = 0; plane < 3; ++plane) {
    const int w = plane ? AV_CEIL_RSHIFT(width, d->log2_chroma_w) : width;
    const int h = plane ? AV_CEIL_RSHIFT(height, d->log2_chroma_h) : height;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int value = plane == 0 ? 40 + 150 * x / w : plane == 1 ? 110 + 30 * y / h : 140 - 25 * x / w;
        uint8_t* row = frame->data[plane] + static_cast<ptrdiff_t>(y) * frame->linesize[plane];
        if (shift) reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(value << shift);
        else row[x] = static_cast<uint8_t>(value);
      }
  }
  return frame;
}

FramePtr Copy(const AVFrame& frame) {
  FramePtr copy = MakeFrame();
  copy->format = frame.format;
  copy->width = frame.width;
  copy->height = frame.height;
  if (av_frame_get_buffer(copy.get(), 0) < 0 || av_frame_copy(copy.get(), &frame) < 0 ||
      av_frame_copy_props(copy.get(), &frame) < 0)
    throw std::bad_alloc();
  return copy;
}

// A sample of plane 0, 1 or 2 in 8-bit levels (10-bit samples divided by 4).
double SampleAt(const AVFrame& frame, int plane, int x, int y) {
  const int shift = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format))->comp[0].depth - 8;
  const uint8_t* row = frame.data[plane] + static_cast<ptrdiff_t>(y) * frame.linesize[plane];
  return shift ? reinterpret_cast<const uint16_t*>(row)[x] / double(1 << shift) : double(row[x]);
}

// The frame hook's way with exact arithmetic around it: every pixel of the
// source to 8-bit BGR (its chroma sample's colour), the hook, and the
// painted picture back to YUV, chroma the mean of the pixels a sample covers.
// Its only rounding is that of the one conversion to 8-bit BGR. Samples are in
// 8-bit levels, planes one after another.
std::vector<double> HookReference(const AVFrame& source, int width, int height, bool paint = true) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(source.format));
  const YuvColors colors = ColorsOf(source);
  const double kg = 1 - colors.kr - colors.kb;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<uint8_t> bgr(static_cast<size_t>(stride) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double luma = SampleAt(source, 0, x, y);
      const double cb = SampleAt(source, 1, x >> d->log2_chroma_w, y >> d->log2_chroma_h);
      const double cr = SampleAt(source, 2, x >> d->log2_chroma_w, y >> d->log2_chroma_h);
      const double l = colors.fullRange ? luma / 255 : (luma - 16) / 219;
      const double pb = colors.fullRange ? (cb - 128) / 255 : (cb - 128) / 224;
      const double pr = colors.fullRange ? (cr - 128) / 255 : (cr - 128) / 224;
      const double r = l + 2 * (1 - colors.kr) * pr, b = l + 2 * (1 - colors.kb) * pb;
      const double g = (l - colors.kr * r - colors.kb * b) / kg;
      uint8_t* p = bgr.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
      for (const auto& [i, v] : {std::pair{0, b}, {1, g}, {2, r}})
        p[i] = static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    }
  if (paint) {
    EXPECT_EQ(cplusplusout(bgr.data(), width, height), 0);
  }

  std::vector<double> samples;
  const auto pixel = [&](int x, int y, int which) {  // luma, Pb or Pr of a painted pixel
    const uint8_t* p = bgr.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
    const double b = p[0] / 255.0, g = p[1] / 255.0, r = p[2] / 255.0;
    const double l = colors.kr * r + kg * g + colors.kb * b;
    return which == 0 ? l : which == 1 ? (b - l) / (2 * (1 - colors.kb)) : (r - l) / (2 * (1 - colors.kr));
  };
  for (int plane = 0; plane < 3; ++plane) {
    const int sw = plane ? d->log2_chroma_w : 0, sh = plane ? d->log2_chroma_h : 0;
    for (int cy = 0; cy < AV_CEIL_RSHIFT(height, sh); ++cy)
      for (int cx = 0; cx < AV_CEIL_RSHIFT(width, sw); ++cx) {
        double sum = 0;
        int count = 0;
        for (int y = cy << sh; y < std::min((cy + 1) << sh, height); ++y)
          for (int x = cx << sw; x < std::min((cx + 1) << sw, width); ++x, ++count) sum += pixel(x, y, plane);
        const double mean = sum / count;
        samples.push_back(plane == 0 ? (colors.fullRange ? mean * 255 : 16 + 219 * mean)
                                     : 128 + (colors.fullRange ? 255 : 224) * mean);
      }
  }
  return samples;
}

struct Difference {
  double largestLuma = 0;    // in 8-bit levels, between the YUV blend and the hook's way, where the hook painted
  double largestChroma = 0;
  int painted = 0;           // samples the hook's way changed
  int strayed = 0;           // samples the YUV blend moved by more than a level where the hook's way changed nothing
};

Difference Compare(const AVFrame& blended, const AVFrame& source, int width, int height) {
  const std::vector<double> reference = HookReference(source, width, height);
  const std::vector<double> unpainted = HookReference(source, width, height, false);
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(source.format));
  Difference result;
  size_t i = 0;
  for (int plane = 0; plane < 3; ++plane) {
    const int sw = plane ? d->log2_chroma_w : 0, sh = plane ? d->log2_chroma_h : 0;
    for (int y = 0; y < AV_CEIL_RSHIFT(height, sh); ++y)
      for (int x = 0; x < AV_CEIL_RSHIFT(width, sw); ++x, ++i) {
        const double a = SampleAt(blended, plane, x, y);
        if (reference[i] == unpainted[i]) {
          // A faint pixel that 8-bit BGR rounds away may still move a sample by a level.
          result.strayed += std::abs(a - SampleAt(source, plane, x, y)) > 1;
          continue;
        }
        ++result.painted;
        // Measured from the source's own sample plus the change the hook made.
        const double expected = SampleAt(source, plane, x, y) + reference[i] - unpainted[i];
        double& largest = plane ? result.largestChroma : result.largestLuma;
        largest = std::max(largest, std::abs(a - expected));
      }
  }
  return result;
}

struct Kind {
  const char* name;
  void (*edit)(vidmora::EditedLayer&, const fs::path& logo);
};

const Kind kKinds[] = {
    {"text", [](vidmora::EditedLayer&, const fs::path&) {}},
    {"shadow_outline",
     [](vidmora::EditedLayer& l, const fs::path&) {
       l.addShadow = 1;
       l.shadowH = 4;
       l.shadowV = 4;
       l.shadowAlpha = 160;
       l.drawEdge = 1;
       l.edgeColor = 0xFFFF00;
       l.edgeLineThickness = 3;
       l.edgeAlpha = 200;
       l.transparency = 180;
     }},
    {"logo",
     [](vidmora::EditedLayer& l, const fs::path& logo) {
       l.fillText = 0;
       l.imagePathName = logo.u16string();
       l.imageLocation = 0;
       l.imageOffsetH = 7;
       l.imageOffsetV = 5;
       l.imageTransparency = 70;
       l.imageWidth = 61;
       l.imageHeight = 41;
     }},
    {"pattern",
     [](vidmora::EditedLayer& l, const fs::path&) {
       l.coverImage = 1;
       l.coverImageMethod = 1;
       l.transparency = 120;
     }},
    // Half way through its fade at the frames' time (500 ms): laid on as a part of its own.
    {"fading",
     [](vidmora::EditedLayer& l, const fs::path& logo) {
       l.imagePathName = logo.u16string();
       l.imageLocation = 8;
       l.imageTransparency = 100;
       l.fadeIn = 1000;
     }},
};

struct Format {
  AVPixelFormat format;
  AVColorRange range;
  int width, height;
};

const Format kFormats[] = {
    {AV_PIX_FMT_YUV420P, AVCOL_RANGE_MPEG, 320, 240},    {AV_PIX_FMT_YUV420P, AVCOL_RANGE_JPEG, 320, 240},
    {AV_PIX_FMT_YUV420P, AVCOL_RANGE_MPEG, 321, 239},    {AV_PIX_FMT_YUV420P10LE, AVCOL_RANGE_MPEG, 320, 240},
    {AV_PIX_FMT_YUV422P10LE, AVCOL_RANGE_JPEG, 320, 240}, {AV_PIX_FMT_YUV444P, AVCOL_RANGE_MPEG, 320, 240},
};

TEST(YuvBlend, GivesTheHooksPixelsForEveryKindOfLayerAndFormat) {
  vidmora::test::TempEnv env;
  const fs::path logo = env.MakeDir("pictures") / "logo.png";
  QImage picture(60, 40, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 60, 0);
    gradient.setColorAt(0, QColor(0, 200, 40, 255));
    gradient.setColorAt(1, QColor(250, 20, 200, 60));
    painter.fillRect(QRect(0, 0, 60, 40), gradient);
  }
  ASSERT_TRUE(picture.save(QString::fromStdString(logo.string())));
  const fs::path templates = env.DataHome() / "Vidmora" / "templates";
  for (const Kind& kind : kKinds) {
    vidmora::EditedLayer layer = glyphra::test::NewLayer();
    kind.edit(layer, logo);
    glyphra::test::WriteTemplate(templates, u"Kind " + std::u16string(kind.name, kind.name + std::strlen(kind.name)),
                                 {{u"Layer " + std::u16string(kind.name, kind.name + std::strlen(kind.name)), layer}});
  }
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  SetFrameHookTime(500, 0);

  for (const Kind& kind : kKinds) {
    const std::string name = std::string(kind.name);
    for (const Format& f : kFormats) {
      const std::string label = name + " " + av_get_pix_fmt_name(f.format) + " " + std::to_string(f.width) + "x" +
                                std::to_string(f.height) + (f.range == AVCOL_RANGE_JPEG ? " full" : " limited");
      ASSERT_EQ(PrepareWMForDrawlixDll((u"Kind " + std::u16string(name.begin(), name.end())).c_str(), f.width,
                                       f.height, 2), 0) << label;
      const PictureSize target{(f.width + 1) & ~1, (f.height + 1) & ~1};
      FramePainter inYuv(f.width, f.height, f.format, target, Framing::kPadToEven, 1.0);
      FramePainter throughHook(f.width, f.height, f.format, target, Framing::kPadToEven, 1.0, false);
      const FramePtr source = GradientFrame(f.format, f.width, f.height, f.range);
      FramePtr a = Copy(*source), b = Copy(*source);
      const FramePtr blended = inYuv.Paint(*a);
      const FramePtr hooked = throughHook.Paint(*b);
      EXPECT_TRUE(inYuv.BlendsInYuv()) << label;
      const Difference diff = Compare(*blended, *source, f.width, f.height);
      EXPECT_GT(diff.painted, 200) << label;
      EXPECT_EQ(diff.strayed, 0) << label;
      // One rounding to 8-bit BGR moves luma by up to a level and a colour
      // difference by up to about two.
      EXPECT_LE(diff.largestLuma, 1.5) << label;
      EXPECT_LE(diff.largestChroma, 2.5) << label;
      // The encoder's own hook path (swscale both ways, chroma resampled with a wider filter) agrees in luma.
      double largestLuma = 0;
      for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
          largestLuma = std::max(largestLuma, std::abs(SampleAt(*blended, 0, x, y) - SampleAt(*hooked, 0, x, y)));
      EXPECT_LE(largestLuma, 3.0) << label;
    }
  }
  SetFrameHookTime(-1, 0);
}

// On HDR frames the overlay's white is graphics white (ITU-R BT.2408:
// 203 cd/m2, 58 % PQ; 75 % HLG), not the format's peak of 10000 cd/m2.
TEST(YuvBlend, WhiteOnHdrFramesIsGraphicsWhite) {
  struct Case {
    Transfer transfer;
    double luma;  // 10-bit limited-range code value
  };
  for (const Case& c : {Case{Transfer::kSdr, 940}, Case{Transfer::kPq, 64 + 876 * 0.5806},
                        Case{Transfer::kHlg, 64 + 876 * 0.75}}) {
    constexpr int kSize = 4;
    FramePtr frame = MakeFrame();
    frame->format = AV_PIX_FMT_YUV420P10LE;
    frame->width = frame->height = kSize;
    ASSERT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    const std::vector<uint32_t> white(static_cast<size_t>(kSize) * kSize, 0xFFFFFFFFu);
    YuvColors colors{0.2627, 0.0593, false, c.transfer};
    const YuvOverlay overlay(AV_PIX_FMT_YUV420P10LE, kSize, kSize, 0, kSize, white.data(), colors);
    overlay.BlendInto(*frame);
    const auto sample = [&](int plane) { return reinterpret_cast<const uint16_t*>(frame->data[plane])[0]; };
    EXPECT_NEAR(sample(0), c.luma, 1.5) << static_cast<int>(c.transfer);
    EXPECT_NEAR(sample(1), 512, 1) << static_cast<int>(c.transfer);  // white has no colour in any of them
    EXPECT_NEAR(sample(2), 512, 1) << static_cast<int>(c.transfer);
  }
}

}  // namespace
}  // namespace vencor
