#include "tests/draw/paint_support.h"

#include "draw/layer_painter.h"
#include "tests/support/temp_env.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string_view>

namespace glyphra::test {

WatermarkLayer TextLayer(const QString& text) {
  WatermarkLayer layer;
  layer.text = text;
  layer.font.height = -48;
  const std::u16string_view face = u"Arial";
  std::copy(face.begin(), face.end(), layer.font.faceName.begin());
  layer.transparency = 255;
  layer.fillText = 1;
  layer.textColor = 0x0000FF;  // red
  return layer;
}

WatermarkLayer ImageLayer(const QString& path) {
  WatermarkLayer layer;
  layer.imagePath = path;
  layer.imageTransparency = 100;
  return layer;
}

QImage SolidFrame(int width, int height, QColor color) {
  QImage frame(width, height, QImage::Format_BGR888);
  frame.fill(color);
  return frame;
}

QImage NoiseFrame(int width, int height) {
  QImage frame(width, height, QImage::Format_BGR888);
  std::mt19937 random(1234);
  for (int y = 0; y < height; ++y) {
    uchar* row = frame.scanLine(y);
    for (int x = 0; x < width * 3; ++x) row[x] = static_cast<uchar>(random());
  }
  return frame;
}

Status PaintDirect(std::vector<WatermarkLayer> layers, QImage& frame, FrameRect rect) {
  if (rect.right == 0 && rect.bottom == 0) rect = {0, 0, frame.width(), frame.height()};
  PictureCache pictures;
  Graphics graphics(frame);
  PaintLayers(graphics, layers, rect, pictures);
  return graphics.GetLastStatus();
}

QRect ChangedBox(const QImage& before, const QImage& after) {
  QRect box;
  const QImage a = before.convertToFormat(QImage::Format_RGB32);
  const QImage b = after.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < a.height(); ++y) {
    const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      if (rowA[x] != rowB[x]) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

int MaxChannelDifference(const QImage& a, const QImage& b) {
  const QImage left = a.convertToFormat(QImage::Format_RGB32);
  const QImage right = b.convertToFormat(QImage::Format_RGB32);
  int worst = 0;
  for (int y = 0; y < left.height(); ++y) {
    const auto* rowA = reinterpret_cast<const QRgb*>(left.constScanLine(y));
    const auto* rowB = reinterpret_cast<const QRgb*>(right.constScanLine(y));
    for (int x = 0; x < left.width(); ++x) {
      worst = std::max({worst, std::abs(qRed(rowA[x]) - qRed(rowB[x])), std::abs(qGreen(rowA[x]) - qGreen(rowB[x])),
                        std::abs(qBlue(rowA[x]) - qBlue(rowB[x]))});
    }
  }
  return worst;
}

void SaveForReview(const QImage& image, const std::string& name) {
  const auto path = vidmora::test::TestOutputDir() / ("draw_" + name + ".png");
  image.save(QString::fromStdString(path.string()));
}

}  // namespace glyphra::test
