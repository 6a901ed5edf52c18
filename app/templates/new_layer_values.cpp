#include "app/templates/new_layer_values.h"

#include "app/templates/sample_picture.h"

#include <QFontDatabase>
#include <QFontInfo>

#include <pwd.h>
#include <unistd.h>

#include <cmath>
#include <vector>

namespace vidmora {

namespace {

// 3 % of the reference canvas, in its pixels.
const int kMarginH = static_cast<int>(std::lround(0.03 * kSamplePictureWidth));
const int kMarginV = static_cast<int>(std::lround(0.03 * kSamplePictureHeight));

// A sans face this machine has: the one metric-compatible with the templates'
// "Arial" where installed, else the desktop's own.
QString InstalledSansFace() {
  QString preferred = QStringLiteral("Liberation Sans");
  if (QFontDatabase::families().contains(preferred)) return preferred;
  return QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
}

}  // namespace

QString UserDisplayName() {
  // getpwuid_r: the editor's threads may look users up too.
  passwd entry{};
  std::vector<char> buffer(16384);
  passwd* user = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &user) == 0 && user != nullptr) {
    // The full name is the first comma-separated field of the GECOS entry.
    QString full = QString::fromLocal8Bit(user->pw_gecos).section(QLatin1Char(','), 0, 0).trimmed();
    if (!full.isEmpty()) return full;
    if (user->pw_name && *user->pw_name) return QString::fromLocal8Bit(user->pw_name);
  }
  return qEnvironmentVariable("USER");
}

EditedLayer NewTextLayerValues() {
  EditedLayer layer;
  layer.font = DefaultLogFont();
  ApplyNewLayerValues(layer, (QStringLiteral("\u00A9 ") + UserDisplayName()).trimmed().toStdU16String());
  layer.font.SetFaceName(InstalledSansFace().toStdU16String());
  layer.rotation = 0;
  layer.location = 8;
  layer.offsetH = -kMarginH;
  layer.offsetV = -kMarginV;
  return layer;
}

EditedLayer NewLogoLayerValues() {
  EditedLayer layer = NewTextLayerValues();
  layer.textContent.clear();
  layer.fillText = 0;
  layer.imageLocation = 2;
  layer.imageOffsetH = -kMarginH;
  layer.imageOffsetV = kMarginV;
  return layer;
}

}  // namespace vidmora
