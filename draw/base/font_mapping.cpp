#include "draw/base/font_mapping.h"

#include <QFontMetricsF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace glyphra {
namespace {

// Beyond this the glyph outlines serve no frame and font engines start to fail.
constexpr int kMaxFontPixelSize = 10000;
// Em size at which a face's cell-height ratio is read.
constexpr int kReferencePixelSize = 1000;

int ClampPixelSize(double pixels) {
  return static_cast<int>(std::clamp(std::lround(pixels), 1L, static_cast<long>(kMaxFontPixelSize)));
}

QString FaceName(const vidmora::LogFont& logFont) {
  const auto& name = logFont.faceName;
  size_t length = 0;
  while (length < name.size() && name[length] != 0) ++length;
  return QString::fromUtf16(name.data(), static_cast<qsizetype>(length));
}

// Em size of a face whose ascent plus descent is cellHeight pixels.
int EmSizeForCellHeight(const QFont& face, int cellHeight) {
  QFont reference = face;
  reference.setPixelSize(kReferencePixelSize);
  const QFontMetricsF metrics(reference);
  const double cellPerEm = (metrics.ascent() + metrics.descent()) / kReferencePixelSize;
  return ClampPixelSize(cellPerEm > 0 ? cellHeight / cellPerEm : cellHeight);
}

}  // namespace

QFont FontFromLogFont(const vidmora::LogFont& logFont) {
  QFont font(FaceName(logFont));
  // Measuring and outlining must agree on every machine, whatever fontconfig's
  // hinting settings say.
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setWeight(logFont.weight == 0 ? QFont::Normal
                                     : static_cast<QFont::Weight>(std::clamp(logFont.weight, 1, 1000)));
  font.setItalic(logFont.italic != 0);
  font.setUnderline(logFont.underline != 0);
  font.setStrikeOut(logFont.strikeOut != 0);

  const int64_t height = logFont.height;
  if (height < 0) {
    font.setPixelSize(ClampPixelSize(static_cast<double>(-height)));
  } else if (height > 0) {
    font.setPixelSize(EmSizeForCellHeight(font, static_cast<int>(height)));
  } else {
    font.setPixelSize(kDefaultFontPixelSize);
  }

  if (logFont.width != 0) {
    const double averageWidth = QFontMetricsF(font).averageCharWidth();
    if (averageWidth > 0) {
      const double widthPixels = std::abs(static_cast<double>(logFont.width));
      font.setStretch(static_cast<int>(std::clamp(std::lround(100.0 * widthPixels / averageWidth), 1L, 4000L)));
    }
  }
  return font;
}

QFont StyledFont(const QFont& face, int style, int emPixels) {
  QFont styled = face;
  styled.setPixelSize(std::clamp(emPixels, 1, kMaxFontPixelSize));
  styled.setWeight((style & kFontStyleBold) ? QFont::Bold : QFont::Normal);
  styled.setItalic((style & kFontStyleItalic) != 0);
  styled.setUnderline((style & kFontStyleUnderline) != 0);
  styled.setStrikeOut((style & kFontStyleStrikeout) != 0);
  return styled;
}

}  // namespace glyphra
