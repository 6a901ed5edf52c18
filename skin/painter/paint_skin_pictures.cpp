// Paints the skin's pictures (status marks, toolbar and window-button icons,
// the program's icon) as PNG files, each at 1x and 2x ("name@2x.png", which Qt
// picks on high-density screens). Run at build time:
//   paint_skin_pictures OUTPUT_FOLDER
// The pictures are drawn here rather than shipped, so that every one of them
// is the program's own and they stay sharp at any size they are made for.

#include "skin/skin_palette.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// Every picture is drawn on a 24 x 24 canvas and scaled to its size.
using Drawing = std::function<void(QPainter&)>;

namespace skin = vidmora::skin;

QPen Line(const QColor& color, double width = 1.8) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

bool Save(const QString& folder, const QString& name, int size, const Drawing& draw) {
  for (int scale : {1, 2}) {
    QImage image(size * scale, size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.scale(size * scale / 24.0, size * scale / 24.0);
    draw(painter);
    painter.end();
    const QString file = folder + '/' + name + (scale == 2 ? "@2x.png" : ".png");
    if (!image.save(file, "PNG")) {
      std::fprintf(stderr, "paint_skin_pictures: cannot write %s\n", qPrintable(file));
      return false;
    }
  }
  return true;
}

// Status marks: a filled disc with a white sign.
Drawing Disc(const QColor& color, const Drawing& sign) {
  return [=](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(2, 2, 20, 20));
    p.setBrush(Qt::NoBrush);
    sign(p);
  };
}

void Check(QPainter& p) {
  p.setPen(Line(skin::kWhite, 2.6));
  p.drawPolyline(QPolygonF({{7.5, 12.5}, {10.8, 15.8}, {16.8, 8.8}}));
}

void Cross(QPainter& p, double inset, const QColor& color, double width) {
  p.setPen(Line(color, width));
  p.drawLine(QPointF(inset, inset), QPointF(24 - inset, 24 - inset));
  p.drawLine(QPointF(24 - inset, inset), QPointF(inset, 24 - inset));
}

void Ready(QPainter& p) {
  p.setPen(Line(skin::kGrey, 2.2));
  p.drawEllipse(QRectF(3.5, 3.5, 17, 17));
  p.setPen(Line(skin::kGrey, 2.0));
  p.drawPolyline(QPolygonF({{12, 7.5}, {12, 12}, {15.2, 14}}));
}

void Doing(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(skin::kAccent);
  p.drawEllipse(QRectF(2, 2, 20, 20));
  p.setBrush(skin::kWhite);
  p.drawPolygon(QPolygonF({{9.5, 7.5}, {17, 12}, {9.5, 16.5}}));
}

// Toolbar icons: white lines on the dark toolbar.
void Film(QPainter& p) {
  p.setPen(Line(skin::kWhite));
  p.drawRoundedRect(QRectF(3, 5, 18, 14), 2.5, 2.5);
  for (double x : {6.5, 17.5}) {
    for (double y : {8.0, 12.0, 16.0}) p.drawPoint(QPointF(x, y));
  }
}

void AddIcon(QPainter& p) {
  Film(p);
  p.setPen(Line(skin::kWhite, 2.0));
  p.drawLine(QPointF(12, 8.5), QPointF(12, 15.5));
  p.drawLine(QPointF(8.5, 12), QPointF(15.5, 12));
}

void RemoveIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite));
  p.drawLine(QPointF(4, 6.5), QPointF(20, 6.5));
  p.drawLine(QPointF(9.5, 6.5), QPointF(10, 3.8));
  p.drawLine(QPointF(10, 3.8), QPointF(14, 3.8));
  p.drawLine(QPointF(14, 3.8), QPointF(14.5, 6.5));
  QPainterPath bin;
  bin.moveTo(6, 6.5);
  bin.lineTo(7.2, 20);
  bin.lineTo(16.8, 20);
  bin.lineTo(18, 6.5);
  p.drawPath(bin);
  p.drawLine(QPointF(10.3, 10), QPointF(10.5, 16.5));
  p.drawLine(QPointF(13.7, 10), QPointF(13.5, 16.5));
}

void PreviewIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite));
  QPainterPath eye;
  eye.moveTo(2.5, 12);
  eye.cubicTo(6, 5.5, 18, 5.5, 21.5, 12);
  eye.cubicTo(18, 18.5, 6, 18.5, 2.5, 12);
  p.drawPath(eye);
  p.drawEllipse(QPointF(12, 12), 3.2, 3.2);
}

void ProcessIcon(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(skin::kGreen);
  p.drawEllipse(QRectF(2, 2, 20, 20));
  p.setBrush(skin::kWhite);
  p.drawPolygon(QPolygonF({{9.5, 7}, {17.5, 12}, {9.5, 17}}));
}

void StopIcon(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(skin::kRed);
  p.drawEllipse(QRectF(2, 2, 20, 20));
  p.setBrush(skin::kWhite);
  p.drawRoundedRect(QRectF(8, 8, 8, 8), 1.2, 1.2);
}

void ResizeIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite));
  p.drawRoundedRect(QRectF(3, 9, 12, 12), 2, 2);
  p.drawLine(QPointF(11, 13), QPointF(20, 4));
  p.drawPolyline(QPolygonF({{14.5, 4}, {20, 4}, {20, 9.5}}));
}

void PreferenceIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite));
  const double rows[] = {6, 12, 18};
  const double knobs[] = {15, 8, 13};
  for (int i = 0; i < 3; ++i) {
    p.drawLine(QPointF(3, rows[i]), QPointF(knobs[i] - 2.4, rows[i]));
    p.drawLine(QPointF(knobs[i] + 2.4, rows[i]), QPointF(21, rows[i]));
    p.drawEllipse(QPointF(knobs[i], rows[i]), 2.4, 2.4);
  }
}

// Window buttons of the caption bar (white, thin).
void MenuIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite, 1.6));
  for (double y : {7.0, 12.0, 17.0}) p.drawLine(QPointF(5, y), QPointF(19, y));
}
void MinIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite, 1.4));
  p.drawLine(QPointF(6, 12.5), QPointF(18, 12.5));
}
void MaxIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite, 1.4));
  p.drawRoundedRect(QRectF(6.5, 6.5, 11, 11), 1.5, 1.5);
}
void RestoreIcon(QPainter& p) {
  p.setPen(Line(skin::kWhite, 1.4));
  p.drawRoundedRect(QRectF(5.5, 8.5, 10, 10), 1.5, 1.5);
  p.drawPolyline(QPolygonF({{8.5, 5.5}, {18.5, 5.5}, {18.5, 15.5}}));
}
void CloseIcon(QPainter& p) { Cross(p, 6.5, skin::kWhite, 1.5); }

// Template list buttons (dark, on the light panel).
void AddTemplateIcon(QPainter& p) {
  p.setPen(Line(skin::kInk, 2.0));
  p.drawLine(QPointF(12, 5), QPointF(12, 19));
  p.drawLine(QPointF(5, 12), QPointF(19, 12));
}
void MenuTemplateIcon(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(skin::kInk);
  for (double x : {6.0, 12.0, 18.0}) p.drawEllipse(QPointF(x, 12), 1.8, 1.8);
}

// The program's icon: a film frame with a drop-shaped watermark mark on a
// blue-to-violet tile.
void ProgramIcon(QPainter& p) {
  QLinearGradient tile(0, 0, 24, 24);
  tile.setColorAt(0, QColor(0x3b, 0x82, 0xf6));
  tile.setColorAt(1, QColor(0x7c, 0x3a, 0xed));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(1, 1, 22, 22), 5.2, 5.2);
  p.setPen(Line(skin::kWhite, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(4.5, 6.5, 15, 11), 1.8, 1.8);
  p.setPen(Qt::NoPen);
  p.setBrush(skin::kWhite);
  for (double x : {6.6, 17.4}) {
    for (double y : {8.8, 12.0, 15.2}) p.drawEllipse(QPointF(x, y), 0.55, 0.55);
  }
  QPainterPath drop;
  drop.moveTo(12, 8);
  drop.cubicTo(13.2, 10.2, 14.6, 11.6, 14.6, 13.2);
  drop.arcTo(QRectF(9.4, 10.6, 5.2, 5.2), 0, -180);
  drop.cubicTo(9.4, 11.6, 10.8, 10.2, 12, 8);
  p.drawPath(drop);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: paint_skin_pictures OUTPUT_FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "paint_skin_pictures: cannot make %s\n", argv[1]);
    return 1;
  }

  struct Picture {
    const char* name;
    int size;
    Drawing draw;
  };
  const Picture pictures[] = {
      {"ready", 16, Ready},
      {"doing", 16, Doing},
      {"ok", 16, Disc(skin::kGreen, Check)},
      {"failed", 16, Disc(skin::kRed, [](QPainter& p) { Cross(p, 8, skin::kWhite, 2.4); })},
      {"skipped", 16,
       Disc(skin::kAmber,
            [](QPainter& p) {
              p.setPen(Line(skin::kWhite, 2.6));
              p.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
            })},
      {"add", 24, AddIcon},
      {"remove", 24, RemoveIcon},
      {"preview", 24, PreviewIcon},
      {"process", 24, ProcessIcon},
      {"stop", 24, StopIcon},
      {"resize", 24, ResizeIcon},
      {"preference", 24, PreferenceIcon},
      {"menu", 16, MenuIcon},
      {"min", 16, MinIcon},
      {"max", 16, MaxIcon},
      {"restore", 16, RestoreIcon},
      {"close", 16, CloseIcon},
      {"add_template", 16, AddTemplateIcon},
      {"menu_template", 16, MenuTemplateIcon},
      {"vidmora", 24, ProgramIcon},
      {"vidmora_256", 256, ProgramIcon},
  };
  for (const Picture& picture : pictures) {
    if (!Save(folder, picture.name, picture.size, picture.draw)) return 1;
  }
  return 0;
}
