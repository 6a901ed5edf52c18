#pragma once

// The product's web addresses, values of the deployment: read from the
// program's settings (group "Links" of ~/.config/VIDMORA/Vidmora.conf), with
// built-in defaults.

#include <QUrl>

namespace vidmora {

QUrl HomePageUrl();      // "Links/HomePage"
QUrl SupportPageUrl();   // "Links/SupportPage"
QUrl WebsiteUrl();       // "Links/Website"
QUrl SupportMailUrl();   // "Links/SupportMail", a mailto: address
QUrl VideoPageUrl();     // "Links/VideoPage"
QUrl DownloadPageUrl();  // "Links/DownloadPage"

}  // namespace vidmora
