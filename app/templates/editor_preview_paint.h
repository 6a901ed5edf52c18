#pragma once

// Paints a template's layers over a picture for the editor's preview: the
// sample picture or a frame of a clip, at its own size. UI thread (the
// drawing library needs a QGuiApplication).

#include "shared/template/edited_layer.h"

#include <QImage>

#include <vector>

namespace vidmora {

// A copy of `background` with the layers painted over it as a video frame of
// that size (as shown) is painted; no file is read back but the pictures.
// With frameMs (0 or more) the picture is a clip's frame at that time (of a
// clip of clipMs, 0 when unknown): layers with timing or motion are shown as
// they are then; a negative frameMs shows every layer as painted.
QImage PaintPreview(const QImage& background, const std::vector<EditedLayer>& layers, long long frameMs = -1,
                    long long clipMs = 0);

}  // namespace vidmora
