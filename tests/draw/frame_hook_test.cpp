// The frame hook: painting once into an overlay and blending it into caller
// frames of padded 24-bit rows.
#include "draw/frame_hook.h"
#include "tests/draw/caller_frame.h"
#include "tests/draw/paint_support.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

namespace glyphra {
namespace {

using test::ChangedBox;
using test::ImageLayer;
using test::MaxChannelDifference;
using test::NoiseFrame;
using test::PaintDirect;
using test::SaveForReview;
using test::SolidFrame;
using test::TextLayer;

using test::CallerFrame;

RenderContext Prepared(std::vector<WatermarkLayer> layers, int width, int height) {
  RenderContext context;
  context.frameRect = {0, 0, width, height};
  context.layers = std::move(layers);
  return context;
}

// An opaque picture larger than any frame here: every pixel gets painted.
QString Cover(const std::filesystem::path& folder) {
  QImage picture(64, 64, QImage::Format_ARGB32);
  picture.fill(QColor(10, 200, 30));
  QString path = QString::fromStdString((folder / "cover.png").string());
  picture.save(path);
  return path;
}

TEST(FrameHook, PaintsTinyAndOddWidthFramesWithoutTouchingPadding) {
  vidmora::test::TempEnv env;
  const QString cover = Cover(env.MakeDir("pictures"));
  for (const QSize size : {QSize(1, 1), QSize(5, 4), QSize(7, 3), QSize(13, 9)}) {
    RenderContext context = Prepared({ImageLayer(cover)}, size.width(), size.height());
    CallerFrame frame(SolidFrame(size.width(), size.height()));
    ASSERT_EQ(PaintFrame(context, frame.bytes.data(), size.width(), size.height()), Status::Ok);
    EXPECT_TRUE(frame.PaddingIntact()) << size.width() << "x" << size.height();
    const QImage painted = frame.Picture();
    EXPECT_EQ(painted.pixel(0, 0), qRgb(10, 200, 30));
    EXPECT_EQ(painted.pixel(size.width() - 1, size.height() - 1), qRgb(10, 200, 30));
  }
}

TEST(FrameHook, RefusesFramesItCannotAddress) {
  RenderContext context = Prepared({TextLayer()}, 10, 10);
  unsigned char pixel[4] = {};
  EXPECT_EQ(PaintFrame(context, nullptr, 10, 10), Status::InvalidParameter);
  EXPECT_EQ(PaintFrame(context, pixel, 0, 1), Status::InvalidParameter);
  EXPECT_EQ(PaintFrame(context, pixel, 1, -1), Status::InvalidParameter);
  EXPECT_EQ(PaintFrame(context, pixel, 1'000'000'000, 1), Status::InvalidParameter);
  RenderContext empty;
  EXPECT_EQ(PaintFrame(empty, pixel, 1, 1), Status::Ok);
}

TEST(FrameHook, PlacesByThePreparedFrameWhateverTheFrameSize) {
  WatermarkLayer layer = TextLayer();
  layer.location = 8;
  RenderContext context = Prepared({layer}, 300, 150);
  CallerFrame frame(SolidFrame(600, 300));
  const QImage before = frame.Picture();
  ASSERT_EQ(PaintFrame(context, frame.bytes.data(), 600, 300), Status::Ok);
  const QRect ink = ChangedBox(before, frame.Picture());
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_LE(ink.right(), 300);
  EXPECT_LE(ink.bottom(), 150);
  EXPECT_GT(ink.right(), 280);
}

WatermarkLayer Everything(const QString& picture) {
  WatermarkLayer layer = TextLayer();
  layer.location = 4;
  layer.rotation = 30;
  layer.transparency = 200;
  layer.addShadow = 1;
  layer.shadowAlpha = 20;
  layer.shadowBR = 4;
  layer.shadowH = 3;
  layer.shadowV = -2;
  layer.drawEdge = 1;
  layer.edgeColor = 0xFF8000;
  layer.edgeAlpha = 180;
  layer.edgeLineThickness = 3;
  layer.coverImage = 1;
  layer.coverImgMethod = 0;
  layer.imagePath = picture;
  layer.imageLocation = 2;
  layer.imageRotation = -20;
  layer.imageTransparency = 50;
  layer.imageWidth = 120;
  layer.imageHeight = 90;
  layer.scaleImage = 1;
  return layer;
}

// The blended overlay must show what painting each frame directly shows.
TEST(FrameHook, OverlayEqualsDirectPaintingForEveryEffect) {
  vidmora::test::TempEnv env;
  QImage logo(90, 70, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  {
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(20, 120, 250, 160));
    painter.drawEllipse(logo.rect().adjusted(2, 2, -2, -2));
  }
  const QString picture = QString::fromStdString((env.MakeDir("pictures") / "logo.png").string());
  ASSERT_TRUE(logo.save(picture));

  struct Case {
    const char* name;
    WatermarkLayer layer;
  };
  std::vector<Case> cases;
  {
    WatermarkLayer fill = TextLayer();
    fill.transparency = 140;
    fill.location = 4;
    fill.rotation = 15;
    cases.push_back({"fill", fill});
    WatermarkLayer edge = fill;
    edge.drawEdge = 1;
    edge.edgeColor = 0x00FF00;
    edge.edgeAlpha = 150;
    edge.edgeLineThickness = 4;
    cases.push_back({"edge", edge});
    WatermarkLayer shadow = fill;
    shadow.addShadow = 1;
    shadow.shadowAlpha = 30;
    shadow.shadowBR = 10;
    shadow.shadowH = 4;
    shadow.shadowV = 4;
    cases.push_back({"shadow", shadow});
    WatermarkLayer coverStroke = TextLayer();
    coverStroke.fillText = 0;
    coverStroke.coverImage = 1;
    coverStroke.edgeColor = 0xFFFFFF;
    coverStroke.edgeLineThickness = 2;
    coverStroke.transparency = 120;
    coverStroke.rotation = 20;
    cases.push_back({"cover_stroke", coverStroke});
    WatermarkLayer coverFill = coverStroke;
    coverFill.coverImgMethod = 1;
    cases.push_back({"cover_fill", coverFill});
    WatermarkLayer image = ImageLayer(picture);
    image.imageLocation = 4;
    image.imageRotation = 30;
    image.imageTransparency = 70;
    image.imageWidth = 180;
    image.imageHeight = 140;
    cases.push_back({"image", image});
    cases.push_back({"everything", Everything(picture)});
  }

  const QImage noise = NoiseFrame(321, 181);  // odd width: padded rows
  for (const Case& c : cases) {
    QImage direct = noise;
    PaintDirect({c.layer}, direct);

    RenderContext context = Prepared({c.layer}, noise.width(), noise.height());
    CallerFrame frame(noise);
    // Twice: the first frame paints the overlay, the second reuses it.
    for (int pass = 0; pass < 2; ++pass) {
      CallerFrame fresh(noise);
      ASSERT_EQ(PaintFrame(context, fresh.bytes.data(), fresh.width, fresh.height), Status::Ok);
      frame = fresh;
    }
    const QImage blended = frame.Picture();
    EXPECT_NE(blended, noise) << c.name;
    EXPECT_LE(MaxChannelDifference(blended, direct), 3) << c.name;
    EXPECT_TRUE(frame.PaddingIntact()) << c.name;
    SaveForReview(blended, std::string("overlay_") + c.name);
  }
}

TEST(FrameHook, AChangedPictureFileIsPaintedAgain) {
  vidmora::test::TempEnv env;
  const QString path = QString::fromStdString((env.MakeDir("pictures") / "logo.png").string());
  QImage red(8, 8, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(path));
  RenderContext context = Prepared({ImageLayer(path)}, 16, 16);

  CallerFrame first(SolidFrame(16, 16));
  ASSERT_EQ(PaintFrame(context, first.bytes.data(), 16, 16), Status::Ok);
  EXPECT_EQ(first.Picture().pixel(2, 2), qRgb(255, 0, 0));

  QImage blue(12, 12, QImage::Format_RGB32);  // another size: another stamp, however coarse the clock
  blue.fill(Qt::blue);
  ASSERT_TRUE(blue.save(path));
  CallerFrame second(SolidFrame(16, 16));
  ASSERT_EQ(PaintFrame(context, second.bytes.data(), 16, 16), Status::Ok);
  EXPECT_EQ(second.Picture().pixel(2, 2), qRgb(0, 0, 255));
  EXPECT_EQ(second.Picture().pixel(10, 10), qRgb(0, 0, 255));
}

TEST(FrameHook, RowsTellWhereTheNextFrameChangesAndHoldForIt) {
  vidmora::test::TempEnv env;
  const QString path = QString::fromStdString((env.MakeDir("pictures") / "logo.png").string());
  QImage red(8, 8, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(path));
  WatermarkLayer logo = ImageLayer(path);
  logo.imageLocation = 4;  // rows 16 to 23 of a 40-row frame
  RenderContext context = Prepared({logo}, 40, 40);

  int firstRow = -1, endRow = -1;
  ASSERT_TRUE(FrameRows(context, 40, 40, firstRow, endRow));
  CallerFrame frame(NoiseFrame(40, 40));
  const QImage before = frame.Picture();
  // The picture changes between the question and the frame: the frame still
  // gets what the answer was about.
  QImage blue(12, 12, QImage::Format_RGB32);
  blue.fill(Qt::blue);
  ASSERT_TRUE(blue.save(path));
  ASSERT_EQ(PaintFrame(context, frame.bytes.data(), 40, 40), Status::Ok);
  const QRect changed = ChangedBox(before, frame.Picture());
  EXPECT_EQ(changed.top(), firstRow);
  EXPECT_EQ(changed.bottom() + 1, endRow);
  EXPECT_EQ(frame.Picture().pixel(20, 20), qRgb(255, 0, 0));

  // The next frame looks at the picture again.
  CallerFrame next(SolidFrame(40, 40));
  ASSERT_EQ(PaintFrame(context, next.bytes.data(), 40, 40), Status::Ok);
  EXPECT_EQ(next.Picture().pixel(20, 20), qRgb(0, 0, 255));

  RenderContext empty;
  ASSERT_TRUE(FrameRows(empty, 40, 40, firstRow, endRow));
  EXPECT_EQ(firstRow, endRow);
  EXPECT_FALSE(FrameRows(context, 0, 40, firstRow, endRow));
}

}  // namespace
}  // namespace glyphra
