#include "app/processing/settings/resizing_settings.h"

#include "common/platform/profile_ini.h"

#include <algorithm>
#include <string>

namespace vidmora {

namespace {

constexpr char16_t kSection[] = u"General";

int ReadInt(const QString& path, std::u16string_view key, int fallback) {
  return quorvil::GetPrivateProfileInt(kSection, key, fallback, path.toStdU16String());
}

bool WriteInt(const QString& path, std::u16string_view key, int value) {
  return quorvil::WritePrivateProfileString(kSection, key, QString::number(value).toStdU16String(),
                                            path.toStdU16String());
}

}  // namespace

ResizingSettings ReadResizingSettings(const QString& path) {
  ResizingSettings settings;
  const int scaleType = ReadInt(path, u"ScaleType", 1);
  if (scaleType >= 1 && scaleType <= 3) settings.scaleType = static_cast<ScaleType>(scaleType);
  settings.targetWidth = ReadInt(path, u"TargetWidth", 800);
  settings.targetHeight = ReadInt(path, u"TargetHeight", 600);
  settings.resizeEveryTime = ReadInt(path, u"ResizeEveryTime", 0) == 1;
  settings.enlarge = ReadInt(path, u"EnlargeSmaller", 0) == 1;
  return settings;
}

bool WriteResizingSettings(const QString& path, const ResizingSettings& settings) {
  return WriteInt(path, u"ScaleType", static_cast<int>(settings.scaleType)) &&
         WriteInt(path, u"TargetWidth", settings.targetWidth) &&
         WriteInt(path, u"TargetHeight", settings.targetHeight) &&
         WriteInt(path, u"ResizeEveryTime", settings.resizeEveryTime ? 1 : 0) &&
         WriteInt(path, u"EnlargeSmaller", settings.enlarge ? 1 : 0);
}

namespace {

// As the encoder sizes a picture to the output size `box` (a side of 0 is
// not set): its shape kept, both sides even; a smaller one is kept.
QSize ScaledSize(QSize picture, QSize box, bool enlarge) {
  if (box.width() <= 0 && box.height() <= 0) return picture;
  const double aspect = static_cast<double>(picture.width()) / picture.height();
  const bool byWidth = box.width() > 0 && (box.height() <= 0 || box.width() <= box.height() * aspect);
  const double height = byWidth ? box.width() / aspect : box.height();
  const double width = byWidth ? box.width() : box.height() * aspect;
  if (!enlarge && height > picture.height() + 0.5) return picture;
  // Sides far beyond what can be shown are first brought near it.
  const double over = std::max({width, height, 1.0}) / (4.0 * kLargestShownSide);
  const auto even = [over](double side) {
    return static_cast<int>(std::max(2.0, std::round(over > 1 ? side / over : side))) & ~1;
  };
  return {even(width), even(height)};
}

}  // namespace

QSize OutputSize(const ResizingSettings& settings, bool resize) {
  if (!resize) return {0, 0};
  const int width = std::max(0, settings.targetWidth);
  const int height = std::max(0, settings.targetHeight);
  switch (settings.scaleType) {
    case ScaleType::kToWidth: return {width, 0};
    case ScaleType::kToHeight: return {0, height};
    case ScaleType::kToWidthAndHeight: return {width, height};
  }
  return {0, 0};
}

QSize DisplaySize(QSize picture, const ResizingSettings& settings, bool resize) {
  if (!resize || picture.isEmpty()) return picture;
  QSize size = ScaledSize(picture, OutputSize(settings, true), settings.enlarge);
  // A picture larger than this cannot be made: brought within it, shape kept.
  if (size.width() > kLargestShownSide || size.height() > kLargestShownSide) {
    size.scale(kLargestShownSide, kLargestShownSide, Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
  }
  return size;
}

}  // namespace vidmora
