#include "app/templates/preview_painter.h"

#include "draw/glyphra.h"
#include "draw/graphics.h"

namespace vidmora {

QImage PaintPreview(const QImage& background, const QString& templatesFolder, const QString& templateName,
                    const std::vector<EditedLayer>& layers) {
  // Until the drawing library paints layer values from memory, the template
  // is painted from its files, which every change has just written.
  (void)templatesFolder;
  (void)layers;
  QImage picture = background.convertToFormat(QImage::Format_RGB32);
  PrepareWMForDrawlixDll(reinterpret_cast<const char16_t*>(templateName.utf16()), picture.width(), picture.height(), 0);
  glyphra::Graphics graphics(picture);
  DrawGraphicsWithTempConf(&graphics);
  return picture;
}

}  // namespace vidmora
