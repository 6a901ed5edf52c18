#include "draw/layer_painter.h"

#include "draw/image_painter.h"
#include "draw/text_painter.h"

namespace glyphra {

void PaintLayers(Graphics& graphics, std::vector<WatermarkLayer>& layers, const FrameRect& frame,
                 PictureCache& pictures) {
  if (!graphics.IsActive()) return;
  for (WatermarkLayer& layer : layers) {
    PaintTextPart(graphics, layer, frame);
    PaintImagePart(graphics, layer, frame, pictures);
  }
}

}  // namespace glyphra
