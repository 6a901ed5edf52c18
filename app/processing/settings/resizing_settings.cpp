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
  return settings;
}

bool WriteResizingSettings(const QString& path, const ResizingSettings& settings) {
  return WriteInt(path, u"ScaleType", static_cast<int>(settings.scaleType)) &&
         WriteInt(path, u"TargetWidth", settings.targetWidth) &&
         WriteInt(path, u"TargetHeight", settings.targetHeight) &&
         WriteInt(path, u"ResizeEveryTime", settings.resizeEveryTime ? 1 : 0);
}

namespace {

// A proportional side, kept in the int range before the size is brought down.
int ProportionalSide(qint64 side, qint64 target, qint64 base) {
  constexpr qint64 kLargest = qint64(kLargestShownSide) * 64;
  return int(std::clamp<qint64>(side * target / base, 1, kLargest));
}

QSize ScaledSize(QSize picture, const ResizingSettings& settings) {
  const qint64 width = picture.width();
  const qint64 height = picture.height();
  const qint64 targetWidth = settings.targetWidth;
  const qint64 targetHeight = settings.targetHeight;
  switch (settings.scaleType) {
    case ScaleType::kToWidth:
      if (targetWidth < 1) return picture;
      return QSize(int(targetWidth), ProportionalSide(height, targetWidth, width));
    case ScaleType::kToHeight:
      if (targetHeight < 1) return picture;
      return QSize(ProportionalSide(width, targetHeight, height), int(targetHeight));
    case ScaleType::kToWidthAndHeight:
      if (targetWidth < 1 || targetHeight < 1) return picture;
      return QSize(int(targetWidth), int(targetHeight));
  }
  return picture;
}

}  // namespace

QSize DisplaySize(QSize picture, const ResizingSettings& settings, bool resize) {
  if (!resize || picture.isEmpty()) return picture;
  QSize size = ScaledSize(picture, settings);
  // A picture larger than this cannot be made: brought within it, shape kept.
  if (size.width() > kLargestShownSide || size.height() > kLargestShownSide) {
    size.scale(kLargestShownSide, kLargestShownSide, Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
  }
  return size;
}

}  // namespace vidmora
