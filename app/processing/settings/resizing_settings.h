#pragma once

// How output preview pictures are resized: the file "resizing_config.ini" in
// the data folder, section "General", and the display size they give. The
// in-memory "just for this time" choice is in session_choices.h.

#include <QSize>
#include <QString>

namespace vidmora {

inline constexpr const char* kResizingSettingsFileName = "resizing_config.ini";

enum class ScaleType { kToWidth = 1, kToHeight = 2, kToWidthAndHeight = 3 };

struct ResizingSettings {
  ScaleType scaleType = ScaleType::kToWidth;
  int targetWidth = 800;    // pixels
  int targetHeight = 600;   // pixels
  bool resizeEveryTime = false;

  friend bool operator==(const ResizingSettings&, const ResizingSettings&) = default;
};

// Missing values take the defaults above; a scale type that names none reads
// as proportional to width.
ResizingSettings ReadResizingSettings(const QString& path);
// Writes the four keys; false when the file cannot be written.
bool WriteResizingSettings(const QString& path, const ResizingSettings& settings);

// The largest side of a resized preview picture (its pixels take 256 MB).
inline constexpr int kLargestShownSide = 8192;

// The size a picture of `picture` size is shown at: itself unless `resize`,
// else scaled by the settings (proportional sides rounded down). A target
// side below 1 pixel resizes nothing, so that a picture never disappears; a
// size beyond kLargestShownSide is brought within it, its shape kept.
QSize DisplaySize(QSize picture, const ResizingSettings& settings, bool resize);

}  // namespace vidmora
