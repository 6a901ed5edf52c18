// The image part on real pixels: size, anchor, rotation, opacity, formats and
// pictures that cannot be read.
#include "tests/draw/paint_support.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QImage>

namespace glyphra {
namespace {

using test::ChangedBox;
using test::ImageLayer;
using test::PaintDirect;
using test::SaveForReview;
using test::SolidFrame;
using test::TextLayer;

QString SavePicture(const std::filesystem::path& folder, const std::string& name, const QImage& picture,
                    const char* format = nullptr) {
  QString path = QString::fromStdString((folder / name).string());
  EXPECT_TRUE(picture.save(path, format)) << name;
  return path;
}

QImage Filled(int width, int height, QColor color, QImage::Format format = QImage::Format_ARGB32) {
  QImage picture(width, height, format);
  picture.fill(color);
  return picture;
}

TEST(ImagePart, DrawnSizeAnchorAndRotation) {
  vidmora::test::TempEnv env;
  const QString red = SavePicture(env.MakeDir("pictures"), "red.png", Filled(100, 50, Qt::red));
  struct Case {
    const char* what;
    int location, width, height, scale, rotation;
    QRect expected;
  };
  const Case cases[] = {
      {"scaled: 640 x 100 / 677 = 94", 0, 100, 50, 1, 0, {0, 0, 94, 47}},
      {"scale on, stored width 0: own size", 0, 0, 50, 1, 0, {0, 0, 100, 50}},
      {"stored size, no scaling", 0, 60, 20, 0, 0, {0, 0, 60, 20}},
      {"centre: exact half frame, whole half picture", 4, 0, 0, 0, 0, {270, 155, 100, 50}},
      // A quarter turn counter-clockwise about the top-left corner (270, 155).
      {"centre, rotation 90", 4, 0, 0, 0, 90, {270, 55, 50, 100}},
  };
  for (const Case& c : cases) {
    WatermarkLayer layer = ImageLayer(red);
    layer.imageLocation = c.location;
    layer.imageWidth = c.width;
    layer.imageHeight = c.height;
    layer.scaleImage = c.scale;
    layer.imageRotation = c.rotation;
    QImage frame = SolidFrame(640, 360);
    const QImage before = frame;
    PaintDirect({layer}, frame);
    const QRect box = ChangedBox(before, frame);
    // Smooth scaling and turning may soften the outermost pixel row.
    EXPECT_NEAR(box.left(), c.expected.left(), 1) << c.what;
    EXPECT_NEAR(box.top(), c.expected.top(), 1) << c.what;
    EXPECT_NEAR(box.width(), c.expected.width(), 1) << c.what;
    EXPECT_NEAR(box.height(), c.expected.height(), 1) << c.what;
    if (c.rotation != 0) SaveForReview(frame, "image_rotation_90");
  }
}

// The picture's own alpha is multiplied by transparency ÷ 100 (values
// beyond 100 are not limited: alpha is clamped at opaque).
TEST(ImagePart, TransparencyScalesThePicturesOwnAlpha) {
  vidmora::test::TempEnv env;
  const QString path = SavePicture(env.MakeDir("pictures"), "blue.png", Filled(40, 40, QColor(0, 0, 255, 200)));
  struct Case {
    int transparency;
    int blue;  // over black
  };
  for (const Case& c : {Case{100, 200}, Case{50, 100}, Case{0, 0}, Case{150, 255}}) {
    WatermarkLayer layer = ImageLayer(path);
    layer.imageTransparency = c.transparency;
    QImage frame = SolidFrame(60, 60);
    PaintDirect({layer}, frame);
    EXPECT_NEAR(qBlue(frame.pixel(20, 20)), c.blue, 2) << "transparency " << c.transparency;
    if (c.transparency == 50) SaveForReview(frame, "image_transparency_50");
  }
}

TEST(ImagePart, ReadsEveryCommonFormat) {
  vidmora::test::TempEnv env;
  const auto folder = env.MakeDir("pictures");
  const QImage picture = Filled(32, 32, Qt::red, QImage::Format_RGB32);
  const QString png = SavePicture(folder, "picture.png", picture);
  // Qt reads GIF but does not write it.
  const auto gif = vidmora::test::RunProcess(
      {"ffmpeg", "-v", "error", "-y", "-i", png.toStdString(), (folder / "picture.gif").string()});
  ASSERT_EQ(gif.exitCode, 0) << gif.err;
  for (const char* format : {"jpg", "bmp", "tiff"}) SavePicture(folder, std::string("picture.") + format, picture, format);

  for (const char* format : {"png", "jpg", "bmp", "gif", "tiff"}) {
    const QString path = QString::fromStdString((folder / (std::string("picture.") + format)).string());
    QImage frame = SolidFrame(40, 40);
    EXPECT_EQ(PaintDirect({ImageLayer(path)}, frame), Status::Ok) << format;
    const QRgb centre = frame.pixel(16, 16);
    EXPECT_NEAR(qRed(centre), 255, 12) << format;
    EXPECT_NEAR(qGreen(centre), 0, 12) << format;
  }
}

// Nothing of the picture is drawn, the failure is recorded, and the rest of
// the layer (its text) is painted as without a picture.
TEST(ImagePart, MissingOrUndecodablePicturePaintsNothingElseChanges) {
  vidmora::test::TempEnv env;
  const auto folder = env.MakeDir("pictures");
  vidmora::test::WriteFile(folder / "broken.png", "not a picture at all");
  struct Case {
    QString path;
    Status status;
  };
  const Case cases[] = {
      {QString::fromStdString((folder / "missing.png").string()), Status::FileNotFound},
      {QString::fromStdString((folder / "broken.png").string()), Status::UnknownImageFormat},
  };
  QImage textOnly = SolidFrame(300, 100);
  EXPECT_EQ(PaintDirect({TextLayer()}, textOnly), Status::Ok);
  for (const Case& c : cases) {
    WatermarkLayer layer = TextLayer();
    layer.imagePath = c.path;
    layer.imageTransparency = 100;
    QImage frame = SolidFrame(300, 100);
    EXPECT_EQ(PaintDirect({layer}, frame), c.status) << c.path.toStdString();
    EXPECT_EQ(frame, textOnly) << c.path.toStdString();
  }
}

}  // namespace
}  // namespace glyphra
