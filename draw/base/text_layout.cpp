#include "draw/base/text_layout.h"

#include <QFontMetricsF>
#include <QRectF>
#include <QStringView>

#include <algorithm>

namespace glyphra {

QSizeF MeasureTextBox(const QFont& font, const QString& text, QSizeF layoutBox) {
  const QRectF box = QFontMetricsF(font).boundingRect(QRectF(QPointF(0, 0), layoutBox), Qt::TextWordWrap, text);
  return {std::min(box.width(), layoutBox.width()), std::min(box.height(), layoutBox.height())};
}

void AddTextToPath(QPainterPath& path, const QFont& font, const QString& text, QPointF topLeft) {
  const QFontMetricsF metrics(font);
  qreal baseline = topLeft.y() + metrics.ascent();
  for (QStringView line : QStringView(text).split(u'\n')) {
    if (line.endsWith(u'\r')) line.chop(1);
    if (!line.isEmpty()) path.addText(QPointF(topLeft.x(), baseline), font, line.toString());
    baseline += metrics.lineSpacing();
  }
}

}  // namespace glyphra
