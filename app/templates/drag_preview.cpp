#include "app/templates/drag_preview.h"

#include "app/processing/file_tokens.h"
#include "app/templates/editor_preview_paint.h"
#include "draw/glyphra.h"

#include <QPainter>

#include <algorithm>

namespace vidmora {

namespace {

// A layer with only one of its parts left to paint.
EditedLayer OnlyPart(EditedLayer layer, LayerPart part) {
  if (part == LayerPart::kText) layer.imagePathName.clear();
  else layer.textContent.clear();
  return layer;
}

EditedLayer WithoutPart(EditedLayer layer, LayerPart part) {
  return OnlyPart(std::move(layer), part == LayerPart::kText ? LayerPart::kPicture : LayerPart::kText);
}

// Layers painted onto a transparent sheet the size of `size`.
QImage PaintSheet(QSize size, const std::vector<EditedLayer>& layers, long long frameMs) {
  QImage sheet(size, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(Qt::transparent);
  const TokenValues sample = SampleTokenValues();
  SetTemplateTokens(&sample);
  if (!layers.empty()) PaintLayersOntoImageAt(layers.data(), static_cast<int>(layers.size()), &sheet, frameMs, 0);
  SetTemplateTokens(nullptr);
  return sheet;
}

// The smallest rectangle holding every pixel of the sheet that is not fully
// transparent (empty for an empty sheet): composing draws only that.
QRect PaintedBounds(const QImage& sheet) {
  int left = sheet.width(), right = -1, top = sheet.height(), bottom = -1;
  for (int y = 0; y < sheet.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
    int first = -1, last = -1;
    for (int x = 0; x < sheet.width(); ++x) {
      if (qAlpha(row[x]) == 0) continue;
      if (first < 0) first = x;
      last = x;
    }
    if (first < 0) continue;
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = y;
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

void DragPreview::Begin(const QImage& background, const std::vector<EditedLayer>& layers, size_t dragged,
                        LayerPart part, long long frameMs) {
  // Within a layer the picture is painted over the text.
  std::vector<EditedLayer> below(layers.begin(),
                                 layers.begin() + static_cast<std::ptrdiff_t>(std::min(dragged, layers.size())));
  std::vector<EditedLayer> above;
  if (dragged < layers.size()) {
    const EditedLayer& layer = layers[dragged];
    if (part == LayerPart::kPicture) below.push_back(WithoutPart(layer, part));
    else above.push_back(WithoutPart(layer, part));
    above.insert(above.end(), layers.begin() + static_cast<std::ptrdiff_t>(dragged) + 1, layers.end());
  }
  below_ = PaintPreview(background, below, frameMs);
  part_ =
      dragged < layers.size() ? PaintSheet(background.size(), {OnlyPart(layers[dragged], part)}, frameMs) : QImage();
  partBounds_ = part_.isNull() ? QRect() : PaintedBounds(part_);
  above_ = QImage();
  aboveBounds_ = QRect();
  if (!above.empty()) {
    above_ = PaintSheet(background.size(), above, frameMs);
    aboveBounds_ = PaintedBounds(above_);
    if (aboveBounds_.isEmpty()) above_ = QImage();
  }
}

void DragPreview::End() { below_ = part_ = above_ = QImage(); }

QImage DragPreview::Compose(const QTransform& move) const {
  QImage picture = below_.copy();
  QPainter painter(&picture);
  if (!partBounds_.isEmpty()) {
    painter.setTransform(move);
    // Scaled pictures are smoothed, as painting them anew would be.
    if (!move.isTranslating() || move.isScaling()) painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(partBounds_.topLeft(), part_, partBounds_);
    painter.resetTransform();
  }
  if (!aboveBounds_.isEmpty()) painter.drawImage(aboveBounds_.topLeft(), above_, aboveBounds_);
  painter.end();
  return picture;
}

}  // namespace vidmora
