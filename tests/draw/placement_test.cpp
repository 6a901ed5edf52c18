// Where layers land: anchors, offsets, image sizes, rotation, text fitting.
#include "draw/placement.h"
#include "draw/base/font_mapping.h"
#include "draw/base/text_layout.h"
#include "draw/mul_div.h"
#include "draw/text_fitting.h"
#include "tests/draw/paint_support.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace glyphra {
namespace {

using test::ChangedBox;
using test::PaintDirect;
using test::SaveForReview;
using test::SolidFrame;
using test::TextLayer;

TEST(TextAnchor, NineCodesWithIntegerHalfFrameAndExactHalfText) {
  const FrameRect frame{0, 0, 101, 51};  // odd: the frame's half is 50 and 25
  const QSizeF box(21, 11);
  struct Case {
    int location;
    QPointF expected;
  };
  const Case cases[] = {
      {0, {0, 0}},         {1, {39.5, 0}},     {2, {80, 0}},
      {3, {0, 19.5}},      {4, {39.5, 19.5}},  {5, {80, 19.5}},
      {6, {0, 40}},        {7, {39.5, 40}},    {8, {80, 40}},
      {9, {0, 0}},         {-1, {0, 0}},       {1000, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextAnchor(c.location, frame, box, 0, 0), c.expected) << "location " << c.location;
  }
  EXPECT_EQ(TextAnchor(8, frame, box, -10, -10), QPointF(70, 30));
}

TEST(ImagePlacement, SizeScalingAndAnchors) {
  const FrameRect frame640{0, 0, 640, 360};
  const QSize picture(100, 50);
  struct Case {
    const char* what;
    ImagePlacementInput input;
    QSize drawn;
    QPointF anchor;
  };
  const Case cases[] = {
      // 640 × 100 / 677 = 94.5 → 94; height 94 × 50 / 100 = 47.
      {"scaled width 94", {0, 0, 0, 100, 50, true}, {94, 47}, {0, 0}},
      {"scale on, stored width 0: own size", {0, 0, 0, 0, 50, true}, {100, 50}, {0, 0}},
      {"scale off: stored size", {0, 0, 0, 60, 30, false}, {60, 30}, {0, 0}},
      {"stored height 0: own size", {0, 0, 0, 60, 0, false}, {100, 50}, {0, 0}},
      // Half the frame exact (320, 180), half the picture whole (47 / 2 = 23).
      {"centre, odd drawn size", {4, 0, 0, 100, 50, true}, {94, 47}, {320 - 47, 180 - 23}},
      {"bottom right with offsets", {8, -5, 7, 0, 0, false}, {100, 50}, {540 - 5, 310 + 7}},
      {"unknown code as 0", {12, 3, 4, 0, 0, false}, {100, 50}, {3, 4}},
  };
  for (const Case& c : cases) {
    const ImageGeometry geometry = PlaceImage(c.input, frame640, picture);
    EXPECT_EQ(geometry.drawnSize, c.drawn) << c.what;
    EXPECT_EQ(geometry.anchor, c.anchor) << c.what;
  }
}

TEST(CoverTileGrid, CountsWithPlusTenAndStepsWithPlus100And55) {
  struct Case {
    QSize frame;
    QSizeF text;
    int64_t rows, columns;
    qreal columnStep, rowStep;
  };
  const Case cases[] = {
      {{1280, 720}, {200, 40}, 14, 6, 300, 95},
      {{209, 49}, {200, 40}, 0, 0, 300, 95},  // one pixel short of a tile each way
      {{210, 50}, {200, 40}, 1, 1, 300, 95},
  };
  for (const Case& c : cases) {
    const CoverTileGrid grid = CoverTiles({0, 0, c.frame.width(), c.frame.height()}, c.text);
    EXPECT_EQ(grid.rows, c.rows) << c.frame.width();
    EXPECT_EQ(grid.columns, c.columns) << c.frame.width();
    EXPECT_EQ(grid.Origin(13, 5), QPointF(5 * c.columnStep, 13 * c.rowStep));
  }
}

TEST(TextPlacement, BottomRightWithNegativeOffsetsSitsTenPixelsIn) {
  QImage frame = SolidFrame(400, 200);
  const QImage before = frame;
  WatermarkLayer layer = TextLayer(QStringLiteral("Hg"));
  layer.location = 8;
  layer.offsetH = -10;
  layer.offsetV = -10;
  PaintDirect({layer}, frame);
  SaveForReview(frame, "placement_bottom_right");

  // The box's right and bottom edges lie at 390 and 190; the glyphs of "Hg"
  // reach close to both (H's stem on the right, g's descender at the bottom).
  const QRect ink = ChangedBox(before, frame);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_LE(ink.right(), 389);
  EXPECT_GE(ink.right(), 383);
  EXPECT_LE(ink.bottom(), 189);
  EXPECT_GE(ink.bottom(), 180);
}

// A line wider than 1000 pixels is placed by its painted, unwrapped size:
// at bottom right its ink keeps the same gaps to the corner as a short
// text's, and centred it is centred.
TEST(TextPlacement, TextWiderThanAThousandPixelsIsPlacedAsPainted) {
  const QString longText = QStringLiteral("Vidmora ").repeated(8) + QStringLiteral("Hg");
  const auto ink = [](const QString& text, int location) {
    QImage frame = SolidFrame(1920, 1080);
    const QImage before = frame;
    WatermarkLayer layer = TextLayer(text);
    layer.location = location;
    PaintDirect({layer}, frame);
    if (text.size() > 2) SaveForReview(frame, "placement_long_text_" + std::to_string(location));
    return ChangedBox(before, frame);
  };
  const QRect shortCorner = ink(QStringLiteral("Hg"), 8);
  const QRect longCorner = ink(longText, 8);
  ASSERT_GT(longCorner.width(), 1000);
  EXPECT_GE(longCorner.left(), 0);
  EXPECT_NEAR(longCorner.right(), shortCorner.right(), 1);
  EXPECT_NEAR(longCorner.bottom(), shortCorner.bottom(), 1);
  EXPECT_LE(longCorner.right(), 1919);
  EXPECT_GE(longCorner.right(), 1919 - 6);

  const QRect centred = ink(longText, 4);
  EXPECT_NEAR(centred.center().x(), 960, 4);
  EXPECT_NEAR(centred.center().y(), 540, 12);
}

TEST(TextPlacement, CodesOutsideTheTablePlaceAsTopLeft) {
  QImage reference = SolidFrame(300, 120);
  PaintDirect({TextLayer()}, reference);
  for (int location : {9, -1}) {
    QImage frame = SolidFrame(300, 120);
    WatermarkLayer layer = TextLayer();
    layer.location = location;
    PaintDirect({layer}, frame);
    EXPECT_EQ(frame, reference) << "location " << location;
  }
}

TEST(TextPlacement, PositiveRotationTurnsCounterClockwiseAboutTheAnchor) {
  QImage frame = SolidFrame(400, 400);
  const QImage before = frame;
  WatermarkLayer layer = TextLayer(QStringLiteral("Vidmora"));
  layer.location = 4;
  layer.rotation = 90;
  PaintDirect({layer}, frame);
  SaveForReview(frame, "placement_rotation_90");

  const QSizeF box = MeasureTextBox(FontFromLogFont(layer.font), layer.text, {1000, 1000});
  const QPointF anchor = TextAnchor(4, {0, 0, 400, 400}, box, 0, 0);
  // A quarter turn counter-clockwise about the box's top-left corner: the
  // line now runs upwards from the anchor, its top edge on the anchor's
  // vertical, so the glyphs lie above the anchor and to its right.
  const QRect ink = ChangedBox(before, frame);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GT(ink.height(), 2 * ink.width());
  EXPECT_LE(ink.bottom(), anchor.y() + 1);
  EXPECT_GE(ink.top(), anchor.y() - box.width() - 1);
  EXPECT_GE(ink.left(), anchor.x() - 1);
  EXPECT_LE(ink.right(), anchor.x() + box.height() + 1);
}

// The text fitted to a frame twice the reference canvas covers twice the
// box it covers on the canvas itself; with scaling off the font is kept.
TEST(TextFitting, ScaleTextFollowsTheFrameAndOffKeepsTheFont) {
  const auto fittedBox = [](int scaleText, int width, int height) {
    WatermarkLayer layer = TextLayer(QStringLiteral("Vidmora watermark"));
    layer.font.height = 24;
    layer.scaleText = scaleText;
    if (layer.scaleText != 0) FitTextToFrame(layer, {0, 0, width, height});
    QImage frame = SolidFrame(width, height);
    const QImage before = frame;
    PaintDirect({layer}, frame);
    SaveForReview(frame, "fitting_" + std::to_string(scaleText) + "_" + std::to_string(width));
    return ChangedBox(before, frame);
  };
  const QRect reference = fittedBox(1, 677, 625);
  const QRect doubled = fittedBox(1, 1354, 1250);
  ASSERT_FALSE(reference.isEmpty());
  EXPECT_NEAR(doubled.width(), 2.0 * reference.width(), 0.06 * reference.width());
  EXPECT_NEAR(doubled.height(), 2.0 * reference.height(), 0.1 * reference.height());

  const QRect keptSmall = fittedBox(0, 677, 625);
  const QRect keptLarge = fittedBox(0, 1354, 1250);
  EXPECT_EQ(keptSmall.size(), keptLarge.size());
}

// One factor for both directions: on frames of every shape the letters keep
// the shape they have on the reference canvas, and the text covers no more of
// the frame than it covers of the canvas in either direction.
TEST(TextFitting, TextKeepsItsShapeOnFramesOfEveryShape) {
  const auto fittedBox = [](int width, int height) {
    WatermarkLayer layer = TextLayer(QStringLiteral("Vidmora"));
    layer.font.height = -80;
    FitTextToFrame(layer, {0, 0, width, height});
    QImage frame = SolidFrame(width, height);
    const QImage before = frame;
    PaintDirect({layer}, frame);
    return ChangedBox(before, frame);
  };
  const QRect reference = fittedBox(677, 625);
  ASSERT_FALSE(reference.isEmpty());
  const double referenceRatio = static_cast<double>(reference.width()) / reference.height();
  struct Shape {
    int width, height;
  };
  for (const Shape shape : {Shape{640, 480}, Shape{1920, 1080}, Shape{720, 1280}, Shape{1024, 576}, Shape{3840, 2160}}) {
    const QRect box = fittedBox(shape.width, shape.height);
    SCOPED_TRACE(testing::Message() << shape.width << "x" << shape.height << ": " << box.width() << "x" << box.height()
                                    << " (on the canvas " << reference.width() << "x" << reference.height() << ")");
    ASSERT_FALSE(box.isEmpty());
    EXPECT_NEAR(static_cast<double>(box.width()) / box.height(), referenceRatio, 0.03 * referenceRatio);
    EXPECT_LE(box.width(), reference.width() * shape.width / 677.0 * 1.03 + 2);
    EXPECT_LE(box.height(), reference.height() * shape.height / 625.0 * 1.03 + 2);
  }
}

TEST(TextFitting, FittedFontRewritesHeightAndWidth) {
  WatermarkLayer layer = TextLayer(QStringLiteral("Vidmora"));
  layer.font.height = 24;
  FitTextToFrame(layer, {0, 0, 677, 625});
  // On the reference canvas the fitted text keeps about its measured size:
  // a character height a little below the old cell height, and a width.
  EXPECT_LT(layer.font.height, -15);
  EXPECT_GT(layer.font.height, -25);
  EXPECT_LT(layer.font.width, 0);

  // A frame with no height asks for height 0 (the default size).
  WatermarkLayer flat = TextLayer(QStringLiteral("Vidmora"));
  FitTextToFrame(flat, {0, 0, 677, 0});
  EXPECT_EQ(flat.font.height, 0);

  // A text that measures 0 wide divides by 0: width -1, no error.
  WatermarkLayer invisible = TextLayer(QString(QChar(0x200B)));
  FitTextToFrame(invisible, {0, 0, 677, 625});
  EXPECT_EQ(invisible.font.width, -1);
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndGivesMinusOneOnFailure) {
  struct Case {
    int32_t a, b, c, expected;
  };
  const Case cases[] = {
      {24, 96, 72, 32},      {3, 1, 2, 2},          {-3, 1, 2, -2},          {5, 1, -2, -3},
      {7, 1, 3, 2},          {-7, 1, 3, -2},        {0, 5, 0, -1},           {1, 1, 0, -1},
      {INT32_MAX, 2, 1, -1}, {INT32_MAX, 2, 2, INT32_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
  }
}

}  // namespace
}  // namespace glyphra
