#pragma once

// The editor's preview while one part (the text or the picture) of one layer
// is dragged or resized: the template is painted once, when the drag begins,
// as three sheets (everything below the part over the background, the part
// alone, everything above it), and each mouse move only composes them with
// the part's sheet moved or scaled. The drop paints the template anew. UI
// thread (painting needs a QGuiApplication).

#include "shared/template/edited_layer.h"

#include <QImage>
#include <QRect>
#include <QTransform>

#include <vector>

namespace vidmora {

enum class LayerPart { kText, kPicture };

class DragPreview {
 public:
  // Paints the sheets: `layers` in painting order over `background`, the
  // part of `layers[dragged]` lifted out. frameMs as for PaintPreview.
  void Begin(const QImage& background, const std::vector<EditedLayer>& layers, size_t dragged, LayerPart part,
             long long frameMs);
  bool Active() const { return !below_.isNull(); }
  void End();

  // The preview with the part's sheet drawn through `move` (picture pixels:
  // a translation for a drag, a scale about a corner for a resize).
  QImage Compose(const QTransform& move) const;

 private:
  QImage below_;       // RGB32, the background and everything under the part
  QImage part_;        // premultiplied ARGB, the part alone
  QImage above_;       // premultiplied ARGB, null when nothing lies above
  QRect partBounds_;   // where the part's sheet has pixels
  QRect aboveBounds_;  // where the sheet above has pixels
};

}  // namespace vidmora
