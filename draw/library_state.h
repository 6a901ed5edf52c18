#pragma once

// Process-wide settings of the drawing library: the application name (which
// names the log and the data folder) and the templates folder. They are set
// once at start-up by InitTemplateFolderPathForDrawlixDll and read by every
// thread that prepares templates or logs, so they are guarded.

#include <QString>

namespace glyphra {

struct LibrarySettings {
  QString applicationName;  // "Vidmora" until set
  QString templatesFolder;  // empty until set; no trailing separator
};

// A copy of the current settings. Any thread.
LibrarySettings CurrentSettings();

// Replaces the settings. Any thread.
void StoreSettings(const LibrarySettings& settings);

}  // namespace glyphra
