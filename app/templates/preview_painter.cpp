#include "app/templates/preview_painter.h"

#include "draw/glyphra.h"

namespace vidmora {

QImage PaintPreview(const QImage& background, const QString& templatesFolder, const QString& templateName,
                    const std::vector<EditedLayer>& layers) {
  // The layers are painted from memory, as the frame hook paints a frame of
  // the picture's size; no file is read back.
  (void)templatesFolder;
  (void)templateName;
  QImage picture = background.convertToFormat(QImage::Format_RGB32);
  PaintLayersOntoImage(layers.data(), static_cast<int>(layers.size()), &picture);
  return picture;
}

}  // namespace vidmora
