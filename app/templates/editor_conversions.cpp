#include "app/templates/editor_conversions.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vidmora {

namespace {

constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr int kNormalWeight = 400;

}  // namespace

QColor ColorFromRef(uint32_t colorRef) {
  return QColor(static_cast<int>(colorRef & 0xFFu), static_cast<int>((colorRef >> 8) & 0xFFu),
                static_cast<int>((colorRef >> 16) & 0xFFu));
}

uint32_t RefFromColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return static_cast<uint32_t>(rgb.red()) | (static_cast<uint32_t>(rgb.green()) << 8) |
         (static_cast<uint32_t>(rgb.blue()) << 16);
}

QFont ChooserFontFromLogFont(const LogFont& font) {
  QFont result(QString::fromStdU16String(font.FaceName()));
  const int pixels = std::abs(font.height);
  result.setPointSizeF(pixels > 0 ? pixels / kPixelsPerPoint : 12.0);
  result.setWeight(static_cast<QFont::Weight>(font.weight > 0 ? std::clamp(font.weight, 1, 1000) : kNormalWeight));
  result.setItalic(font.italic != 0);
  result.setUnderline(font.underline != 0);
  result.setStrikeOut(font.strikeOut != 0);
  return result;
}

LogFont LogFontWithChoice(LogFont font, const QFont& chosen) {
  const double points = chosen.pointSizeF() > 0 ? chosen.pointSizeF() : chosen.pixelSize() / kPixelsPerPoint;
  const auto pixels = static_cast<int32_t>(std::lround(points * kPixelsPerPoint));
  // An unchanged size keeps its record, cell height or character height.
  if (std::abs(font.height) != pixels) font.height = -pixels;
  font.weight = static_cast<int32_t>(chosen.weight());
  font.italic = chosen.italic() ? 1 : 0;
  font.underline = chosen.underline() ? 1 : 0;
  font.strikeOut = chosen.strikeOut() ? 1 : 0;
  font.SetFaceName(chosen.family().toStdU16String());
  return font;
}

QString FontDescription(const LogFont& font) {
  const QFont chooser = ChooserFontFromLogFont(font);
  QString text = chooser.family().isEmpty() ? QStringLiteral("(default face)") : chooser.family();
  if (chooser.pointSizeF() > 0) text += QStringLiteral(", %1 pt").arg(qRound(chooser.pointSizeF()));
  QStringList style;
  if (chooser.weight() >= QFont::Bold) style << QStringLiteral("Bold");
  if (chooser.italic()) style << QStringLiteral("Italic");
  if (!style.isEmpty()) text += QStringLiteral(", ") + style.join(QLatin1Char(' '));
  return text;
}

}  // namespace vidmora
