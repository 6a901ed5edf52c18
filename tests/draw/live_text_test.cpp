// Texts with frame tokens: composed every frame from glyphs painted once per
// layer, they look as the same text painted whole, agree between the
// overlay and direct painting, and stay where the widest value puts them.
#include "draw/live_text.h"
#include "draw/frame_hook.h"
#include "draw/layer_painter.h"
#include "draw/template_loader.h"
#include "tests/draw/paint_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace glyphra {
namespace {

using test::ChangedBox;
using test::MaxChannelDifference;
using test::SaveForReview;
using test::SolidFrame;
using test::TextLayer;

WatermarkLayer Live(const QString& pattern) {
  WatermarkLayer layer = TextLayer();
  layer.livePattern = pattern;
  layer.text = LayoutText(pattern);
  return layer;
}

// Shadow, edge and fill together.
void WithEffects(WatermarkLayer& layer) {
  layer.addShadow = 1;
  layer.shadowH = 3;
  layer.shadowV = 3;
  layer.shadowAlpha = 120;
  layer.drawEdge = 1;
  layer.edgeColor = 0xFFFF00;
  layer.edgeAlpha = 255;
  layer.edgeLineThickness = 3;
}

FrameTime AtFrame(int64_t index) {
  FrameTime time;
  time.frameMs = index * 40;
  time.frameIndex = index;
  time.rateNum = 25;
  return time;
}

// Through the frame hook's overlay, as the encoder paints.
QImage Hooked(const WatermarkLayer& layer, int64_t index, int width = 480, int height = 120) {
  RenderContext context;
  context.frameRect = {0, 0, width, height};
  context.layers = {layer};
  context.frameTime = AtFrame(index);
  QImage frame = SolidFrame(width, height);
  EXPECT_EQ(PaintFrame(context, frame.bits(), width, height), Status::Ok);
  return frame;
}

// The mean absolute difference of every channel, for pictures that differ
// in a few edge pixels where neighbouring glyphs' effects overlap.
double MeanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
    }
  return sum / (3.0 * a.width() * a.height());
}

TEST(LiveText, LooksAsTheSameTextPaintedWholeWithEveryEffect) {
  WatermarkLayer live = Live(QStringLiteral("Take {frame}"));
  WatermarkLayer whole = TextLayer(QStringLiteral("Take 42"));
  WithEffects(live);
  WithEffects(whole);
  const QImage composed = Hooked(live, 41);
  QImage painted = SolidFrame(480, 120);
  ASSERT_EQ(test::PaintDirect({whole}, painted), Status::Ok);
  SaveForReview(composed, "live_text_take_42");
  EXPECT_EQ(ChangedBox(SolidFrame(480, 120), composed), ChangedBox(SolidFrame(480, 120), painted));
  // Another value ("43") differs many times more than the composition does.
  const double same = MeanDifference(composed, painted), other = MeanDifference(Hooked(live, 42), painted);
  EXPECT_LT(same * 10, other) << same << " vs " << other;
}

TEST(LiveText, OverlayAndDirectPaintingAgreeOnEveryFrame) {
  WatermarkLayer layer = Live(QStringLiteral("{timecode}\n{seconds} s"));
  WithEffects(layer);
  layer.rotation = 10;
  for (const int64_t index : {0, 9, 250, 1234}) {
    QImage direct = SolidFrame(480, 160);
    {
      std::vector<WatermarkLayer> layers = {layer};
      Graphics graphics(direct);
      PictureCache pictures;
      PaintLayersAt(graphics, layers, {0, 0, 480, 160}, pictures, AtFrame(index));
    }
    EXPECT_LE(MaxChannelDifference(Hooked(layer, index, 480, 160), direct), 8) << index;
  }
}

TEST(LiveText, ACentredNumberStaysWhereItsWidestValuePutsIt) {
  WatermarkLayer layer = Live(QStringLiteral("{frame}"));
  layer.location = 4;
  const QRect one = ChangedBox(SolidFrame(480, 120), Hooked(layer, 0));
  const QRect many = ChangedBox(SolidFrame(480, 120), Hooked(layer, 1234566));
  EXPECT_EQ(one.left(), many.left());
  EXPECT_LT(one.width() * 3, many.width());
}

TEST(LiveText, CellsShowTheirValueFromTheLeftAndNothingBeyond) {
  const std::vector<LiveCell> cells = LiveCells(QStringLiteral("F{frame}"), QFont());
  ASSERT_EQ(cells.size(), 8u);
  const std::vector<QString> texts = LiveCellTexts(cells, vidmora::FrameTokenValues(41, {25, 1}, 1.64, 0));
  EXPECT_EQ(texts[0], "F");
  EXPECT_EQ(texts[1], "4");
  EXPECT_EQ(texts[2], "2");
  EXPECT_EQ(texts[3], "");
  EXPECT_LT(cells[1].offset.x(), cells[2].offset.x());
}

}  // namespace
}  // namespace glyphra
