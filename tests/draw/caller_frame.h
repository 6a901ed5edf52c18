#pragma once

// A frame as the encoder hands it to the frame hook: rows of width x 3 bytes
// (blue, green, red) padded to a multiple of 4, first row at the top, the
// padding filled with a sentinel that painting must leave alone.

#include <QImage>

#include <cstring>
#include <random>
#include <vector>

namespace glyphra::test {

struct CallerFrame {
  static constexpr unsigned char kPaddingSentinel = 0xA5;

  explicit CallerFrame(const QImage& picture)
      : width(picture.width()), height(picture.height()), stride((width * 3 + 3) & ~3) {
    bytes.assign(size_t(stride) * height, kPaddingSentinel);
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) std::memcpy(&bytes[size_t(y) * stride], bgr.constScanLine(y), size_t(width) * 3);
  }
  // Random bytes, a fixed sequence for each size.
  CallerFrame(int width, int height) : width(width), height(height), stride((width * 3 + 3) & ~3) {
    bytes.assign(size_t(stride) * height, kPaddingSentinel);
    std::mt19937 random(static_cast<unsigned>(width * 7919 + height));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width * 3; ++x) bytes[size_t(y) * stride + x] = static_cast<unsigned char>(random());
  }

  QImage Picture() const { return QImage(bytes.data(), width, height, stride, QImage::Format_BGR888).copy(); }
  bool PaddingIntact() const {
    for (int y = 0; y < height; ++y)
      for (int x = width * 3; x < stride; ++x)
        if (bytes[size_t(y) * stride + x] != kPaddingSentinel) return false;
    return true;
  }

  int width;
  int height;
  int stride;
  std::vector<unsigned char> bytes;
};

}  // namespace glyphra::test
