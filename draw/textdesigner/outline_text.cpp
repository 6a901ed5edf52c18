#include "draw/textdesigner/outline_text.h"

#include "draw/textdesigner/diffused_shadow_strategy.h"

namespace glyphra::TextDesigner {

void OutlineText::DiffusedShadow(QRgb color, int thickness, QPoint offset) {
  shadowStrategy_ = std::make_unique<DiffusedShadowStrategy>(0, color, thickness, true);
  shadowOffset_ = offset;
}

bool OutlineText::DrawString(Graphics& graphics, const QFont& family, int style, int emSize, const QString& text,
                             QPoint point) {
  if (!enableShadow_ || !shadowStrategy_) return true;
  return shadowStrategy_->DrawString(graphics, family, style, emSize, text, point + shadowOffset_);
}

}  // namespace glyphra::TextDesigner
