// The effects of a text part on real pixels: shadow, edge, fill, cover tiles.
#include "draw/base/font_mapping.h"
#include "draw/base/text_layout.h"
#include "draw/layer_painter.h"
#include "draw/text_painter.h"
#include "draw/textdesigner/diffused_shadow_strategy.h"
#include "tests/draw/paint_support.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <cmath>

namespace glyphra {
namespace {

using test::ChangedBox;
using test::PaintDirect;
using test::SaveForReview;
using test::SolidFrame;
using test::TextLayer;

WatermarkLayer ShadowOnly(QPoint offset) {
  WatermarkLayer layer = TextLayer();
  layer.location = 4;
  layer.fillText = 0;
  layer.addShadow = 1;
  layer.shadowColor = 0x0000FF;  // red: must not show
  layer.shadowAlpha = 128;
  layer.shadowBR = 0;
  layer.shadowH = offset.x();
  layer.shadowV = offset.y();
  return layer;
}

TEST(TextShadow, IsBlackWhateverItsColourAndSitsAtItsOffset) {
  QImage unmoved = SolidFrame(320, 140, Qt::white);
  QImage moved = unmoved;
  const QImage white = unmoved;
  PaintDirect({ShadowOnly({0, 0})}, unmoved);
  PaintDirect({ShadowOnly({3, 3})}, moved);
  SaveForReview(moved, "shadow");

  const QImage grey = moved.convertToFormat(QImage::Format_RGB32);
  int shaded = 0;
  for (int y = 0; y < grey.height(); ++y) {
    for (int x = 0; x < grey.width(); ++x) {
      const QRgb pixel = grey.pixel(x, y);
      ASSERT_EQ(qRed(pixel), qGreen(pixel)) << x << "," << y;
      ASSERT_EQ(qGreen(pixel), qBlue(pixel)) << x << "," << y;
      if (qRed(pixel) < 255) ++shaded;
    }
  }
  EXPECT_GT(shaded, 500);
  // The same shadow, three pixels right and down.
  EXPECT_LE(test::MaxChannelDifference(moved.copy(3, 3, 317, 137), unmoved.copy(0, 0, 317, 137)), 1);

  // Eight strokes of widths 1..8 reach about 4 pixels beyond the glyphs.
  QImage filled = white;
  WatermarkLayer fill = TextLayer();
  fill.location = 4;
  PaintDirect({fill}, filled);
  const QRect glyphs = ChangedBox(white, filled);
  const QRect shadow = ChangedBox(white, unmoved);
  EXPECT_NEAR(shadow.left(), glyphs.left() - 4, 1);
  EXPECT_NEAR(shadow.right(), glyphs.right() + 4, 1);
}

// The soft shadow is the outline stroked with widths 1..thickness, one
// translucent stroke over another. It is worked out from each pixel's distance
// to the outline instead; it must look like the strokes painted one by one,
// in the picture's own axes, turned, and stretched as a wide-pixel clip's
// frames are.
TEST(TextShadow, LooksLikeItsStrokesPaintedOneByOne) {
  struct Case {
    const char* name;
    QTransform transform;
    int thickness;
  };
  const Case cases[] = {
      {"plain", QTransform(), 8},
      {"turned", QTransform().translate(60, -40).rotate(25), 14},
      {"stretched", QTransform::fromScale(0.703, 1.0), 20},
  };
  const QRgb color = qRgba(0, 0, 0, 90);
  const QFont font = StyledFont(FontFromLogFont(TextLayer().font), kFontStyleRegular, 48);
  const QString text = QStringLiteral("Vidmora & 2026");
  const QPoint point(20, 30);
  for (const Case& c : cases) {
    QImage expected(420, 140, QImage::Format_RGBA64_Premultiplied);
    expected.fill(Qt::transparent);
    {
      QPainter painter(&expected);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setTransform(c.transform);
      QPainterPath path;
      AddTextToPath(path, font, text, QPointF(point));
      QPen pen{QColor::fromRgba(color)};
      pen.setJoinStyle(Qt::RoundJoin);
      pen.setCapStyle(Qt::FlatCap);
      for (int width = 1; width <= c.thickness; ++width) {
        pen.setWidth(width);
        painter.strokePath(path, pen);
      }
    }
    QImage painted(expected.size(), QImage::Format_RGBA64_Premultiplied);
    painted.fill(Qt::transparent);
    {
      Graphics graphics(painted);
      graphics.Painter().setRenderHint(QPainter::Antialiasing);
      graphics.Painter().setTransform(c.transform);
      TextDesigner::DiffusedShadowStrategy shadow(0, color, c.thickness, true);
      shadow.DrawString(graphics, font, kFontStyleRegular, 48, text, point);
    }
    const QImage a = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage b = painted.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    SaveForReview(b, std::string("shadow_pile_") + c.name);
    // Where the strokes' antialiased edges meet within a pixel (the middle
    // of a stem, the tip of a gap between glyphs) the rasteriser adds up
    // their coverage instead of joining it, darker or lighter by a few dozen
    // levels there; elsewhere the two agree within a level or two, with no
    // bias either way.
    int64_t total = 0, covered = 0, far = 0, signedTotal = 0;
    for (int y = 0; y < a.height(); ++y) {
      for (int x = 0; x < a.width(); ++x) {
        const int difference = std::abs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y)));
        total += difference;
        if (difference > 16) ++far;
        signedTotal += qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y));
        if (qAlpha(a.pixel(x, y)) > 0) ++covered;
      }
    }
    ASSERT_GT(covered, 2000) << c.name;
    EXPECT_LE(std::abs(static_cast<double>(signedTotal) / covered), 0.5) << c.name;
    EXPECT_LE(static_cast<double>(total) / covered, 3.0) << c.name;
    EXPECT_LE(static_cast<double>(far) / covered, 0.03) << c.name;
  }
}

TEST(TextShadow, BoldTextGetsARegularShadow) {
  const auto paint = [](int weight, bool shadow) {
    QImage frame = SolidFrame(320, 140, Qt::white);
    WatermarkLayer layer = shadow ? ShadowOnly({2, 2}) : TextLayer();
    layer.location = 0;  // the bold text measures wider: keep both at one anchor
    layer.font.weight = weight;
    PaintDirect({layer}, frame);
    return frame;
  };
  EXPECT_EQ(paint(700, true), paint(400, true));
  EXPECT_NE(paint(700, false), paint(400, false));
}

// A hand-edited blur radius must not stall the encoder: the strokes stop at
// kMaxShadowStrokes (the editor offers at most 18).
TEST(TextShadow, AHugeBlurRadiusIsCapped) {
  const auto paint = [](int32_t blurRadius) {
    QImage frame = SolidFrame(200, 80, Qt::white);
    WatermarkLayer layer = ShadowOnly({0, 0});
    layer.font.height = -20;
    layer.shadowBR = blurRadius;
    PaintDirect({layer}, frame);
    return frame;
  };
  EXPECT_EQ(paint(INT32_MAX), paint(kMaxShadowStrokes - 8));
}

TEST(TextEdge, FillIsPaintedOverTheEdge) {
  WatermarkLayer fillOnly = TextLayer();
  fillOnly.location = 4;
  WatermarkLayer both = fillOnly;
  both.drawEdge = 1;
  both.edgeColor = 0x00FF00;  // green
  both.edgeAlpha = 255;
  both.edgeLineThickness = 6;

  QImage filled = SolidFrame(320, 140);
  QImage edged = filled;
  const QImage black = filled;
  PaintDirect({fillOnly}, filled);
  PaintDirect({both}, edged);
  SaveForReview(edged, "edge_under_fill");

  // Wherever the fill alone is fully red, the edge (3 pixels inside the
  // outline) is covered by it; outside the glyphs the edge shows green.
  const QImage a = filled.convertToFormat(QImage::Format_RGB32);
  const QImage b = edged.convertToFormat(QImage::Format_RGB32);
  int solid = 0;
  int greenOutside = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) == qRgb(255, 0, 0)) {
        ++solid;
        EXPECT_EQ(b.pixel(x, y), qRgb(255, 0, 0)) << x << "," << y;
      } else if (a.pixel(x, y) == black.pixel(x, y) && qGreen(b.pixel(x, y)) == 255) {
        ++greenOutside;
      }
    }
  }
  EXPECT_GT(solid, 500);
  EXPECT_GT(greenOutside, 500);
}

TEST(TextEffects, ThreeDAndGradientSwitchesChangeNothing) {
  WatermarkLayer plain = TextLayer();
  plain.drawEdge = 1;
  plain.edgeColor = 0xFF0000;
  plain.edgeAlpha = 255;
  plain.edgeLineThickness = 2;
  plain.tdTextOffset = 6;
  plain.tdTextPos = 3;
  plain.gradientBeginColor = 0xFFFF00;
  plain.gradientEndColor = 0x0000FF;
  WatermarkLayer switched = plain;
  switched.b3DText = 1;
  switched.bGradientText = 1;

  QImage expected = SolidFrame(300, 100);
  QImage actual = expected;
  PaintDirect({plain}, expected);
  PaintDirect({switched}, actual);
  EXPECT_EQ(actual, expected);
}

// Tiles repeat the text at steps of (w + 100, h + 55) from the frame's
// corner: each predicted tile holds ink, the gaps between them hold none.
TEST(CoverTiles, RepeatAtStepsOfTextSizePlusGaps) {
  for (int method : {0, 1}) {
    WatermarkLayer layer = TextLayer();
    layer.fillText = 0;
    layer.coverImage = 1;
    layer.coverImgMethod = method;
    layer.edgeColor = 0x00FFFF;  // yellow strokes for method 0
    layer.edgeLineThickness = 1;
    layer.location = 4;  // the tiles ignore the layer's own anchor

    QImage frame = SolidFrame(1280, 720);
    const QImage black = frame;
    PaintDirect({layer}, frame);
    SaveForReview(frame, "cover_tiles_method_" + std::to_string(method));

    const QSizeF box = MeasureTextBox(FontFromLogFont(layer.font), layer.text, {1000, 1000});
    const double stepX = box.width() + 100;
    const double stepY = box.height() + 55;
    int tiles = 0;
    for (int row = 0; row * stepY < 720; ++row) {
      const double y0 = row * stepY;
      for (int column = 0; column * stepX < 1280; ++column) {
        const double x0 = column * stepX;
        const QRect tile = QRect(QPoint(int(x0), int(y0)), QSize(int(box.width()), int(box.height()))) & frame.rect();
        const QRect gapRight = QRect(int(x0 + box.width()) + 4, int(y0), 90, int(stepY)) & frame.rect();
        const QRect gapBelow = QRect(int(x0), int(y0 + box.height()) + 4, int(stepX), 45) & frame.rect();
        // (QImage::copy of an empty rectangle copies everything: skip those.)
        if (!tile.isEmpty()) {
          EXPECT_FALSE(ChangedBox(black.copy(tile), frame.copy(tile)).isEmpty()) << x0 << "," << y0;
        }
        if (!gapRight.isEmpty()) {
          EXPECT_TRUE(ChangedBox(black.copy(gapRight), frame.copy(gapRight)).isEmpty()) << x0 << "," << y0;
        }
        if (!gapBelow.isEmpty()) {
          EXPECT_TRUE(ChangedBox(black.copy(gapBelow), frame.copy(gapBelow)).isEmpty()) << x0 << "," << y0;
        }
        ++tiles;
      }
    }
    EXPECT_GE(tiles, 12);
  }
}

// Rows and columns are counted with the text size plus 10 but stepped with
// plus 55 and plus 100, so on a frame too small for one count no tile shows.
TEST(CoverTiles, NoTileWhenTheFrameIsSmallerThanTheTextPlusTen) {
  WatermarkLayer layer = TextLayer();
  layer.fillText = 0;
  layer.coverImage = 1;
  layer.coverImgMethod = 1;
  const QSizeF box = MeasureTextBox(FontFromLogFont(layer.font), layer.text, {1000, 1000});
  QImage frame = SolidFrame(int(box.width()) + 5, 300);
  const QImage before = frame;
  PaintDirect({layer}, frame);
  EXPECT_EQ(frame, before);
}

// Each tile turns about its own origin on top of the layer's turn about its
// anchor: with both at the frame's corner, 45 degrees become a quarter turn.
TEST(CoverTiles, TurnTwiceAboutTheAnchorAndTheirOrigin) {
  WatermarkLayer layer = TextLayer();
  layer.fillText = 0;
  layer.coverImage = 1;
  layer.coverImgMethod = 1;
  layer.rotation = 45;
  const QSizeF box = MeasureTextBox(FontFromLogFont(layer.font), layer.text, {1000, 1000});
  // Room for exactly one tile, at (0, 0).
  const FrameRect oneTile{0, 0, int(box.width()) + 15, int(box.height()) + 15};

  QImage frame = SolidFrame(400, 400);
  const QImage before = frame;
  {
    PictureCache pictures;
    std::vector<WatermarkLayer> layers{layer};
    Graphics graphics(frame);
    graphics.Painter().translate(200, 300);  // the caller's own transform moves everything
    PaintLayers(graphics, layers, oneTile, pictures);
  }
  SaveForReview(frame, "cover_tiles_double_rotation");
  const QRect ink = ChangedBox(before, frame);
  ASSERT_FALSE(ink.isEmpty());
  // A quarter turn counter-clockwise about (200, 300): the line runs upwards.
  EXPECT_GT(ink.height(), 2 * ink.width());
  EXPECT_GE(ink.left(), 199);
  EXPECT_LE(ink.bottom(), 301);
}

}  // namespace
}  // namespace glyphra
