#include "draw/text_painter.h"

#include "draw/base/font_mapping.h"
#include "draw/base/text_layout.h"
#include "draw/colors.h"
#include "draw/live_text.h"
#include "draw/placement.h"
#include "draw/textdesigner/outline_text.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace glyphra {
namespace {

// Box that a text is measured in when it is placed: as wide as no painted
// line can be, since lines are painted unwrapped and must be measured so.
constexpr QSizeF kPlacementLayoutBox(1e7, 1000);

QPen OutlinePen(QRgb color, int width) {
  QPen pen{QColor::fromRgba(color)};
  pen.setWidth(std::max(width, 0));
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::FlatCap);
  return pen;
}

void PaintShadow(Graphics& graphics, const WatermarkLayer& layer, const QFont& font, QPointF anchor,
                 const QString& text) {
  const QRgb shadowColor = ArgbFromColorRef(0, layer.shadowAlpha);  // black, whatever colour is stored
  const int strokes = static_cast<int>(std::min<int64_t>(int64_t{layer.shadowBR} + 8, kMaxShadowStrokes));
  TextDesigner::OutlineText outline;
  outline.EnableShadow(true);
  outline.DiffusedShadow(shadowColor, strokes, QPoint(layer.shadowH, layer.shadowV));
  outline.DrawString(graphics, font, kFontStyleRegular, font.pixelSize(), text, TruncatedPoint(anchor));
}

// The text repeated over the frame in rows and columns, each tile turned about
// its own origin on top of the layer's turn about its anchor.
void PaintCoverTiles(QPainter& painter, const WatermarkLayer& layer, const QFont& font, QSizeF textBox,
                     const FrameRect& frame) {
  const CoverTileGrid grid = CoverTiles(frame, textBox);
  if (grid.rows <= 0 || grid.columns <= 0) return;
  if (layer.coverImgMethod != 0 && layer.coverImgMethod != 1) return;

  QPainterPath tile;
  AddTextToPath(tile, font, layer.text, QPointF(0, 0));
  const QPen pen = OutlinePen(ArgbFromColorRef(layer.edgeColor, layer.transparency), layer.edgeLineThickness);
  const QColor fill = QColor::fromRgba(ArgbFromColorRef(layer.textColor, layer.transparency));

  // Tiles whose outline cannot reach the picture are not painted: many lie
  // beyond it, and stroking them would cost as much as the visible ones.
  const QTransform layerTransform = painter.transform();
  const QRectF picture(0, 0, painter.device()->width(), painter.device()->height());
  const qreal margin = pen.widthF() + 1;
  const QRectF tileBounds = tile.boundingRect().adjusted(-margin, -margin, margin, margin);
  const bool cull = !painter.viewTransformEnabled();  // world coordinates are then the picture's
  for (int64_t row = 0; row < grid.rows; ++row) {
    for (int64_t column = 0; column < grid.columns; ++column) {
      const QPointF origin = grid.Origin(row, column);
      // The text laid out at the origin and turned about it: the outline laid
      // out at (0, 0), turned, then moved to the origin.
      QTransform turn;
      turn.translate(origin.x(), origin.y());
      turn.rotate(-static_cast<qreal>(layer.rotation));
      const QTransform tileTransform = turn * layerTransform;
      if (cull && !tileTransform.mapRect(tileBounds).intersects(picture)) continue;
      painter.setTransform(tileTransform);
      if (layer.coverImgMethod == 0) {
        painter.strokePath(tile, pen);
      } else {
        painter.fillPath(tile, fill);
      }
    }
  }
  painter.setTransform(layerTransform);
}

}  // namespace

QRectF TextPartBox(const WatermarkLayer& layer, const FrameRect& frame) {
  const QSizeF textBox = MeasureTextBox(FontFromLogFont(layer.font), layer.text, kPlacementLayoutBox);
  return {TextAnchor(layer.location, frame, textBox, layer.offsetH, layer.offsetV), textBox};
}

namespace {

// `text` at `offset` from the text's top-left corner `anchor`, with the
// layer's shadow, edge and fill, turned about the anchor.
void PaintRun(Graphics& graphics, const WatermarkLayer& layer, const QFont& font, QPointF anchor, const QString& text,
              QPointF offset) {
  QPainterPath path;
  AddTextToPath(path, font, text, anchor + offset);
  QPainter& painter = graphics.Painter();
  if (layer.addShadow != 0) PaintShadow(graphics, layer, font, anchor + offset, text);
  if (layer.drawEdge != 0) {
    painter.strokePath(path, OutlinePen(ArgbFromColorRef(layer.edgeColor, layer.edgeAlpha), layer.edgeLineThickness));
  }
  if (layer.fillText != 0) {
    painter.fillPath(path, QColor::fromRgba(ArgbFromColorRef(layer.textColor, layer.transparency)));
  }
}

}  // namespace

std::vector<LiveCell> LiveCellsOf(const WatermarkLayer& layer) {
  return LiveCells(layer.livePattern, FontFromLogFont(layer.font));
}

void PaintTextPart(Graphics& graphics, WatermarkLayer& layer, const FrameRect& frame, const FrameTime& time) {
  if (layer.livePattern.isEmpty()) return PaintTextCells(graphics, layer, frame, {}, {});
  const std::vector<LiveCell> cells = LiveCellsOf(layer);
  PaintTextCells(graphics, layer, frame, cells, LiveCellTexts(cells, FrameValues(time)));
}

void PaintTextCells(Graphics& graphics, WatermarkLayer& layer, const FrameRect& frame,
                    const std::vector<LiveCell>& cells, const std::vector<QString>& texts) {
  layer.b3DText = 0;
  layer.bGradientText = 0;

  const QFont font = FontFromLogFont(layer.font);
  const QSizeF textBox = MeasureTextBox(font, layer.text, kPlacementLayoutBox);
  const QPointF anchor = TextAnchor(layer.location, frame, textBox, layer.offsetH, layer.offsetV);

  QPainter& painter = graphics.Painter();
  painter.save();
  RotateAbout(painter, anchor, layer.rotation);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);

  if (layer.livePattern.isEmpty()) {
    PaintRun(graphics, layer, font, anchor, layer.text, {});
    if (layer.coverImage != 0) PaintCoverTiles(painter, layer, font, textBox, frame);
  } else {
    for (size_t i = 0; i < cells.size() && i < texts.size(); ++i)
      if (!texts[i].isEmpty()) PaintRun(graphics, layer, font, anchor, texts[i], cells[i].offset);
  }

  painter.restore();
}

QRectF TextCellBounds(const WatermarkLayer& layer, const FrameRect& frame, const LiveCell& cell, const QString& text) {
  const QFont font = FontFromLogFont(layer.font);
  const QSizeF textBox = MeasureTextBox(font, layer.text, kPlacementLayoutBox);
  const QPointF anchor = TextAnchor(layer.location, frame, textBox, layer.offsetH, layer.offsetV);
  QPainterPath path;
  AddTextToPath(path, font, text, anchor + cell.offset);
  qreal margin = 2;
  if (layer.drawEdge != 0) margin += std::max(layer.edgeLineThickness, 0);
  if (layer.addShadow != 0) {
    margin += static_cast<qreal>(std::min<int64_t>(int64_t{layer.shadowBR} + 8, kMaxShadowStrokes) + 1 +
                                 std::max(std::abs(layer.shadowH), std::abs(layer.shadowV)));
  }
  QTransform turn;
  turn.translate(anchor.x(), anchor.y());
  turn.rotate(-static_cast<qreal>(layer.rotation));
  turn.translate(-anchor.x(), -anchor.y());
  return turn.mapRect(path.boundingRect().adjusted(-margin, -margin, margin, margin));
}

}  // namespace glyphra
