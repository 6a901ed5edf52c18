#pragma once

// Helpers for tests that paint layers built in code and read the pixels.

#include "draw/base/graphics.h"
#include "draw/frame_rect.h"
#include "draw/picture_cache.h"
#include "draw/watermark_layer.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <string>
#include <vector>

namespace glyphra::test {

// "Vidmora" in Arial with a 48-pixel character height, red fill, opaque,
// top left, no effects, no image.
WatermarkLayer TextLayer(const QString& text = QStringLiteral("Vidmora"));

// A layer with only an image part: the picture at path, opaque, top left,
// at its own size.
WatermarkLayer ImageLayer(const QString& path);

// A 24-bit frame (blue, green, red bytes) filled with one colour.
QImage SolidFrame(int width, int height, QColor color = Qt::black);
// A 24-bit frame of random bytes (fixed seed).
QImage NoiseFrame(int width, int height);

// Paints the layers straight onto the frame, as previews do; returns the
// graphics' last status.
Status PaintDirect(std::vector<WatermarkLayer> layers, QImage& frame, FrameRect rect = {});

// The smallest rectangle holding every pixel that differs between the two.
QRect ChangedBox(const QImage& before, const QImage& after);
// Largest difference of any channel of any pixel.
int MaxChannelDifference(const QImage& a, const QImage& b);

// Writes the picture as <test output dir>/draw_<name>.png for people to look at.
void SaveForReview(const QImage& image, const std::string& name);

}  // namespace glyphra::test
