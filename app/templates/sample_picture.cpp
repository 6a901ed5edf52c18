#include "app/templates/sample_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>
#include <vector>

namespace vidmora {

namespace {

// A small fixed-seed generator: the landscape is the same on every run.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  double Next() {  // in [-1, 1)
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 23) - 1.0;
  }

 private:
  uint32_t state_;
};

// A ridge line by midpoint displacement: heights (0..1 of `amplitude`) at
// 2^levels + 1 evenly spaced points.
std::vector<double> Ridge(uint32_t seed, int levels, double roughness) {
  Noise noise(seed);
  const size_t count = (size_t{1} << levels) + 1;
  std::vector<double> height(count, 0.0);
  height.front() = 0.5 + 0.3 * noise.Next();
  height.back() = 0.5 + 0.3 * noise.Next();
  double spread = 0.5;
  for (size_t step = count - 1; step > 1; step /= 2) {
    for (size_t i = step / 2; i < count; i += step)
      height[i] = (height[i - step / 2] + height[i + step / 2]) / 2 + spread * noise.Next();
    spread *= roughness;
  }
  return height;
}

QPainterPath RidgePath(const std::vector<double>& ridge, double width, double baseY, double amplitude, double bottom) {
  QPainterPath path;
  path.moveTo(0, bottom);
  const double step = width / static_cast<double>(ridge.size() - 1);
  for (size_t i = 0; i < ridge.size(); ++i) path.lineTo(step * static_cast<double>(i), baseY - amplitude * ridge[i]);
  path.lineTo(width, bottom);
  path.closeSubpath();
  return path;
}

void DrawPine(QPainter& painter, double x, double groundY, double height, const QColor& colour) {
  painter.setBrush(QColor(70, 48, 30));
  painter.drawRect(QRectF(x - height * 0.03, groundY - height * 0.18, height * 0.06, height * 0.2));
  painter.setBrush(colour);
  for (int tier = 0; tier < 3; ++tier) {
    const double top = groundY - height * (1.0 - tier * 0.22);
    const double bottom = groundY - height * (0.45 - tier * 0.14);
    const double half = height * (0.16 + tier * 0.07);
    const QPointF points[] = {{x, top}, {x + half, bottom}, {x - half, bottom}};
    painter.drawPolygon(points, 3);
  }
}

}  // namespace

QImage DrawSampleLandscape(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  const double w = width;
  const double h = height;
  const double horizon = h * 0.58;

  // Sky: deep blue overhead to a warm haze at the horizon.
  QLinearGradient sky(0, 0, 0, horizon);
  sky.setColorAt(0.0, QColor(38, 86, 158));
  sky.setColorAt(0.55, QColor(112, 164, 214));
  sky.setColorAt(1.0, QColor(246, 208, 160));
  painter.fillRect(QRectF(0, 0, w, horizon + 1), sky);

  // Sun with a soft glow.
  const QPointF sun(w * 0.72, h * 0.25);
  QRadialGradient glow(sun, h * 0.22);
  glow.setColorAt(0.0, QColor(255, 246, 214, 230));
  glow.setColorAt(0.25, QColor(255, 226, 170, 120));
  glow.setColorAt(1.0, QColor(255, 214, 160, 0));
  painter.setBrush(glow);
  painter.drawEllipse(sun, h * 0.22, h * 0.22);
  painter.setBrush(QColor(255, 250, 230));
  painter.drawEllipse(sun, h * 0.045, h * 0.045);

  // Thin clouds.
  painter.setBrush(QColor(255, 255, 255, 90));
  struct Cloud {
    double x, y, radius;
  };
  constexpr Cloud kClouds[] = {{0.22, 0.14, 0.13}, {0.34, 0.17, 0.09}, {0.55, 0.09, 0.1}, {0.88, 0.12, 0.08}};
  for (const Cloud& cloud : kClouds) painter.drawEllipse(QPointF(w * cloud.x, h * cloud.y), w * cloud.radius, h * 0.022);

  // Three mountain ranges, paler with distance; snow on the far peaks.
  const std::vector<double> far = Ridge(7, 7, 0.55);
  const QPainterPath farPath = RidgePath(far, w, horizon - h * 0.04, h * 0.34, horizon + 1);
  painter.setBrush(QColor(132, 150, 186));
  painter.drawPath(farPath);
  painter.save();
  painter.setClipPath(farPath);
  QLinearGradient snow(0, horizon - h * 0.4, 0, horizon - h * 0.2);
  snow.setColorAt(0.0, QColor(248, 250, 255));
  snow.setColorAt(1.0, QColor(248, 250, 255, 0));
  painter.fillRect(QRectF(0, 0, w, horizon), snow);
  painter.restore();
  painter.setBrush(QColor(92, 116, 150));
  painter.drawPath(RidgePath(Ridge(21, 7, 0.5), w, horizon + h * 0.01, h * 0.2, horizon + 1));
  painter.setBrush(QColor(64, 96, 104));
  painter.drawPath(RidgePath(Ridge(33, 6, 0.45), w, horizon + h * 0.02, h * 0.09, horizon + 1));

  // The lake mirrors the sky, darker, with a few light streaks.
  QLinearGradient lake(0, horizon, 0, h);
  lake.setColorAt(0.0, QColor(196, 178, 160));
  lake.setColorAt(0.2, QColor(92, 132, 172));
  lake.setColorAt(1.0, QColor(30, 64, 108));
  painter.fillRect(QRectF(0, horizon, w, h - horizon), lake);
  painter.setBrush(QColor(255, 236, 200, 110));
  for (int i = 0; i < 6; ++i)
    painter.drawRect(QRectF(sun.x() - w * (0.05 - i * 0.004), horizon + h * (0.02 + i * 0.03), w * (0.1 - i * 0.008), h * 0.004));

  // Foreground hills on the left and right shores, with pines.
  QPainterPath leftShore;
  leftShore.moveTo(0, h * 0.66);
  leftShore.cubicTo(w * 0.18, h * 0.62, w * 0.3, h * 0.8, w * 0.46, h);
  leftShore.lineTo(0, h);
  leftShore.closeSubpath();
  QLinearGradient grass(0, h * 0.62, 0, h);
  grass.setColorAt(0.0, QColor(98, 140, 64));
  grass.setColorAt(1.0, QColor(40, 78, 34));
  painter.setBrush(grass);
  painter.drawPath(leftShore);
  QPainterPath rightShore;
  rightShore.moveTo(w, h * 0.72);
  rightShore.cubicTo(w * 0.9, h * 0.74, w * 0.8, h * 0.9, w * 0.74, h);
  rightShore.lineTo(w, h);
  rightShore.closeSubpath();
  painter.drawPath(rightShore);

  Noise noise(99);
  for (int i = 0; i < 9; ++i) {
    const double x = w * (0.02 + i * 0.035 + 0.01 * noise.Next());
    const double ground = h * (0.67 + i * 0.012) + h * 0.02;
    DrawPine(painter, x, ground, h * (0.16 + 0.03 * noise.Next()), QColor(30, 74 + 4 * i, 44));
  }
  for (int i = 0; i < 4; ++i) {
    const double x = w * (0.86 + i * 0.04);
    DrawPine(painter, x, h * (0.76 - i * 0.01), h * (0.13 + 0.02 * noise.Next()), QColor(28, 70, 40));
  }
  painter.end();
  return image;
}

const QImage& SamplePicture() {
  static const QImage picture = DrawSampleLandscape(kSamplePictureWidth, kSamplePictureHeight);
  return picture;
}

}  // namespace vidmora
