#include "app/shell/about_window.h"

#include "app/settings/language_manager.h"
#include "app/shell/product_links.h"
#include "app/shell/skin.h"
#include "shared/version.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QLabel>

namespace vidmora {

QString VersionLabelText(int major, int minor, int build) {
  return QStringLiteral("v%1.%2.%3 ").arg(major).arg(minor).arg(build);
}

CAboutDlgUI::CAboutDlgUI(QWidget* parent) : CBaseDlgUI(QStringLiteral("about.xml"), Resizing::Fixed, parent) {
  setObjectName(QStringLiteral("about_window"));
  setWindowTitle(UiText(QStringLiteral("About Vidmora")));
  if (!IsSkinLoaded()) return;
  if (auto* title = Control<QLabel>("title_label")) title->setText(UiText(QStringLiteral("About Vidmora")));
  if (auto* version = Control<QLabel>("version_label")) {
    version->setText(VersionLabelText(kVersionMajor, kVersionMinor, kVersionBuild));
  }
  if (auto* logo = Control<QLabel>("logo_label")) logo->setPixmap(SkinIcon(QStringLiteral("vidmora_256")).pixmap(72, 72));
  const auto onClick = [this](const char* name, auto slot) {
    if (auto* button = Control<QAbstractButton>(name)) connect(button, &QAbstractButton::clicked, this, slot);
  };
  onClick("ok_btn", [this] { accept(); });
  onClick("website_btn", [] { QDesktopServices::openUrl(WebsiteUrl()); });
  onClick("mailto_btn", [] { QDesktopServices::openUrl(SupportMailUrl()); });
  onClick("youtube_btn", [] { QDesktopServices::openUrl(VideoPageUrl()); });
}

}  // namespace vidmora
