#include "app/templates/preview_painter.h"

#include "draw/glyphra.h"

namespace vidmora {

QImage PaintPreview(const QImage& background, const std::vector<EditedLayer>& layers) {
  QImage picture = background.convertToFormat(QImage::Format_RGB32);
  PaintLayersOntoImage(layers.data(), static_cast<int>(layers.size()), &picture);
  return picture;
}

}  // namespace vidmora
