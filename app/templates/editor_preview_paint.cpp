#include "app/templates/editor_preview_paint.h"

#include "draw/glyphra.h"

namespace vidmora {

QImage PaintPreview(const QImage& background, const std::vector<EditedLayer>& layers, long long frameMs,
                    long long clipMs) {
  QImage picture = background.convertToFormat(QImage::Format_RGB32);
  PaintLayersOntoImageAt(layers.data(), static_cast<int>(layers.size()), &picture, frameMs, clipMs);
  return picture;
}

}  // namespace vidmora
