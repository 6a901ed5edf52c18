#include "draw/text_fitting.h"

#include "draw/base/font_mapping.h"
#include "draw/base/text_layout.h"
#include "draw/mul_div.h"
#include "draw/placement.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace glyphra {
namespace {

// Box the text is measured in on the reference canvas: wide enough for one line.
constexpr QSizeF kFittingLayoutBox(100000, 1000);

// Whole part of a real, kept in the int range.
int32_t WholePart(double value) {
  return static_cast<int32_t>(std::clamp(value, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

}  // namespace

namespace {

// Fits the font so that the text covers its measured box scaled by W / 677 in
// width and H / 625 in height.
void FitToBox(WatermarkLayer& layer, const FrameRect& frame) {
  const QSizeF measured = MeasureTextBox(FontFromLogFont(layer.font), layer.text, kFittingLayoutBox);
  const int32_t targetHeight = WholePart(frame.Height() * measured.height() / kReferenceCanvasHeight);
  const int32_t targetWidth = WholePart(measured.width() * frame.Width() / kReferenceCanvasWidth);
  const int32_t characters = std::max<int32_t>(static_cast<int32_t>(layer.text.size()), 1);

  vidmora::LogFont measuring = layer.font;
  measuring.height = -MulDiv(targetHeight, kLogicalDpi, 72);
  measuring.width = -MulDiv(targetWidth / characters, kLogicalDpi, 72);

  // Whole pixels, as a device context measures: the extent of the line, the
  // cell height and the external leading.
  const QFontMetricsF metrics(FontFromLogFont(measuring));
  const int32_t extent = qRound(metrics.horizontalAdvance(layer.text));
  const int32_t lineHeight = qRound(metrics.height()) - qRound(metrics.leading());

  layer.font.width = MulDiv(measuring.width, targetWidth, extent);
  layer.font.height = MulDiv(measuring.height, targetHeight, lineHeight);
}

// A fitted font size scaled by `factor`; the failure value -1 and the
// default 0 stay as they are.
int32_t Scaled(int32_t fitted, double factor) {
  if (fitted == 0 || fitted == -1) return fitted;
  return WholePart(std::round(fitted * factor));
}

}  // namespace

void FitTextToFrame(WatermarkLayer& layer, const FrameRect& frame) {
  const int64_t width = frame.Width(), height = frame.Height();
  const int64_t widthShare = width * kReferenceCanvasHeight, heightShare = height * kReferenceCanvasWidth;
  if (widthShare == heightShare || width <= 0 || height <= 0) {
    // The reference canvas's shape (or no frame): fitted exactly as on the canvas.
    FitToBox(layer, frame);
    return;
  }
  // Any other shape: the text as it is fitted to the reference canvas, scaled
  // by one factor, the smaller of W / 677 and H / 625, so that its letters
  // keep their shape and it covers no more of the frame than it covers of the
  // canvas in either direction.
  FitToBox(layer, {0, 0, kReferenceCanvasWidth, kReferenceCanvasHeight});
  const double factor = widthShare < heightShare ? static_cast<double>(width) / kReferenceCanvasWidth
                                                 : static_cast<double>(height) / kReferenceCanvasHeight;
  layer.font.height = Scaled(layer.font.height, factor);
  layer.font.width = Scaled(layer.font.width, factor);
}

}  // namespace glyphra
