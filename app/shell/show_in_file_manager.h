#pragma once

#include <QString>

namespace vidmora {

// Shows the file selected in the desktop's file manager (D-Bus
// org.freedesktop.FileManager1.ShowItems); when no file manager answers,
// opens its folder with xdg-open. Does nothing for an empty path.
void ShowInFileManager(const QString& filePath);

}  // namespace vidmora
