#pragma once

// The picture the template editor paints templates over: a landscape (sky,
// sun, mountains, a lake, hills and pines) drawn by the program itself at the
// size of the reference canvas on which templates are designed.

#include <QImage>

namespace vidmora {

inline constexpr int kSamplePictureWidth = 677;
inline constexpr int kSamplePictureHeight = 625;

// The landscape at 677 x 625, drawn on first use and kept. Needs a
// QGuiApplication; UI thread.
const QImage& SamplePicture();

// Draws the landscape at any size (the same scene, scaled).
QImage DrawSampleLandscape(int width, int height);

}  // namespace vidmora
