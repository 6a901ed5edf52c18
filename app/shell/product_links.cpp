#include "app/shell/product_links.h"

#include "shared/program_profile.h"

#include <QSettings>

namespace vidmora {

namespace {

QUrl Link(const char* key, const char* fallback) {
  const QSettings settings(kProfileOrganization, kProfileApplication);
  return QUrl(settings.value(QStringLiteral("Links/") + QLatin1String(key), QString::fromLatin1(fallback)).toString());
}

}  // namespace

QUrl HomePageUrl() { return Link("HomePage", "https://www.vidmora.example/"); }
QUrl SupportPageUrl() { return Link("SupportPage", "https://www.vidmora.example/how-to/"); }
QUrl WebsiteUrl() { return Link("Website", "https://www.vidmora.example/"); }
QUrl SupportMailUrl() { return Link("SupportMail", "mailto:support@vidmora.example"); }
QUrl VideoPageUrl() { return Link("VideoPage", "https://www.vidmora.example/videos/"); }
QUrl DownloadPageUrl() { return Link("DownloadPage", "https://www.vidmora.example/download/"); }

}  // namespace vidmora
