#pragma once

// A way of painting text as outlines (plain, shadowed, diffused …) that
// OutlineText combines. Strategies paint on the calling thread's graphics and
// keep no state between calls.

#include "draw/base/graphics.h"

#include <QFont>
#include <QPoint>
#include <QString>

namespace glyphra::TextDesigner {

class ITextStrategy {
 public:
  virtual ~ITextStrategy() = default;

  // Paints text whose layout box has its top-left corner at point, with the
  // face of family at emSize pixels in style (FontStyle flags). Returns true
  // when it painted.
  virtual bool DrawString(Graphics& graphics, const QFont& family, int style, int emSize, const QString& text,
                          QPoint point) = 0;
};

}  // namespace glyphra::TextDesigner
