#pragma once

// Paints text as a soft blur: the outline as if stroked with widths 1, 2, …,
// thickness in the outline colour, so the translucent strokes pile up darkest
// at the glyph edges and fade out to thickness / 2 pixels; then the glyphs are
// filled with the text colour (once, or once per stroke).

#include "draw/textdesigner/text_strategy.h"

#include <QRgb>

namespace glyphra::TextDesigner {

class DiffusedShadowStrategy final : public ITextStrategy {
 public:
  DiffusedShadowStrategy(QRgb textColor, QRgb outlineColor, int thickness, bool fillOnce)
      : textColor_(textColor), outlineColor_(outlineColor), thickness_(thickness), fillOnce_(fillOnce) {}

  bool DrawString(Graphics& graphics, const QFont& family, int style, int emSize, const QString& text,
                  QPoint point) override;

 private:
  QRgb textColor_;     // 0xAARRGGBB
  QRgb outlineColor_;  // 0xAARRGGBB
  int thickness_;
  bool fillOnce_;
};

}  // namespace glyphra::TextDesigner
