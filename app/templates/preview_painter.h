#pragma once

// Paints a template's layers over the sample picture for the editor's
// preview. UI thread (the drawing library needs a QGuiApplication).

#include "shared/template/edited_layer.h"

#include <QImage>
#include <QString>

#include <vector>

namespace vidmora {

// A copy of `background` with the layers painted over it as a video frame of
// that size would be painted.
QImage PaintPreview(const QImage& background, const QString& templatesFolder, const QString& templateName,
                    const std::vector<EditedLayer>& layers);

}  // namespace vidmora
