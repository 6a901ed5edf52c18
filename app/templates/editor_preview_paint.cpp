#include "app/templates/editor_preview_paint.h"

#include "app/processing/file_tokens.h"
#include "draw/glyphra.h"

namespace vidmora {

QImage PaintPreview(const QImage& background, const std::vector<EditedLayer>& layers, long long frameMs,
                    long long clipMs) {
  QImage picture = background.convertToFormat(QImage::Format_RGB32);
  // Tokens show sample values: a template is designed before its files are known.
  const TokenValues sample = SampleTokenValues();
  SetTemplateTokens(&sample);
  PaintLayersOntoImageAt(layers.data(), static_cast<int>(layers.size()), &picture, frameMs, clipMs);
  SetTemplateTokens(nullptr);
  return picture;
}

}  // namespace vidmora
