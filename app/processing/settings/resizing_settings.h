#pragma once

// The output size: how the videos written and their preview pictures are
// resized, from the file "resizing_config.ini" in the data folder, section
// "General", and the size they give. The in-memory "just for this time"
// choice is in session_choices.h.

#include <QSize>
#include <QString>

namespace vidmora {

inline constexpr const char* kResizingSettingsFileName = "resizing_config.ini";

enum class ScaleType { kToWidth = 1, kToHeight = 2, kToWidthAndHeight = 3 };

struct ResizingSettings {
  ScaleType scaleType = ScaleType::kToWidth;
  int targetWidth = 800;   // pixels
  int targetHeight = 600;  // pixels
  bool resizeEveryTime = false;
  // Written after the four keys above, which an older program reads alone:
  // a picture smaller than the size asked is enlarged to it too.
  bool enlarge = false;

  friend bool operator==(const ResizingSettings&, const ResizingSettings&) = default;
};

// Missing values take the defaults above; a scale type that names none reads
// as proportional to width.
ResizingSettings ReadResizingSettings(const QString& path);
// Writes the keys; false when the file cannot be written.
bool WriteResizingSettings(const QString& path, const ResizingSettings& settings);

// The size the videos are written at while resizing is on (`resize`): the
// width alone, the height alone or both, as the scale type says; {0, 0}
// (keep the source's) otherwise. The encoder keeps the displayed aspect.
QSize OutputSize(const ResizingSettings& settings, bool resize);

// The largest side of a resized preview picture (its pixels take 256 MB).
inline constexpr int kLargestShownSide = 8192;

// The size a picture of `picture` size (as shown) is shown at: itself unless
// `resize`, else the size its video is written at (as the encoder sizes it:
// to the width, the height or into the box of OutputSize, its shape kept,
// both sides even, a smaller picture kept as it is unless `enlarge`). A size
// beyond kLargestShownSide is brought within it, its shape kept.
QSize DisplaySize(QSize picture, const ResizingSettings& settings, bool resize);

}  // namespace vidmora
