#include "draw/text_fitting.h"

#include "draw/font_mapping.h"
#include "draw/mul_div.h"
#include "draw/placement.h"
#include "draw/text_layout.h"

#include <QFontMetricsF>

#include <algorithm>
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

void FitTextToFrame(WatermarkLayer& layer, const FrameRect& frame) {
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

}  // namespace glyphra
