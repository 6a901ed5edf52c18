#pragma once

// Paints text with a shadow strategy offset from it: the shadow strategy (if
// any, and when the shadow is enabled) draws at the point moved by the shadow
// offset. The painter uses it for the soft shadow only, so it carries no text
// strategy of its own. Owns its strategy; one thread.

#include "draw/textdesigner/text_strategy.h"

#include <QRgb>

#include <memory>

namespace glyphra::TextDesigner {

class OutlineText {
 public:
  OutlineText() = default;
  OutlineText(const OutlineText&) = delete;
  OutlineText& operator=(const OutlineText&) = delete;

  void EnableShadow(bool enable) { enableShadow_ = enable; }

  // A diffused shadow: color (0xAARRGGBB) stroked with widths 1..thickness,
  // moved by offset, with an invisible body.
  void DiffusedShadow(QRgb color, int thickness, QPoint offset);

  bool DrawString(Graphics& graphics, const QFont& family, int style, int emSize, const QString& text,
                  QPoint point);

 private:
  std::unique_ptr<ITextStrategy> shadowStrategy_;
  QPoint shadowOffset_;
  bool enableShadow_ = false;
};

}  // namespace glyphra::TextDesigner
