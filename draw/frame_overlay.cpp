#include "draw/frame_overlay.h"

#include "draw/base/graphics.h"
#include "draw/image_painter.h"
#include "draw/layer_painter.h"
#include "draw/text_painter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace glyphra {
namespace {

// x ÷ 255 rounded, exact for every product of two bytes.
inline uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

// A premultiplied pixel scaled by opacity / 256.
inline QRgb Faded(QRgb pixel, uint32_t opacity) {
  if (opacity >= 256) return pixel;
  const auto scale = [&](int shift) { return ((((pixel >> shift) & 0xFF) * opacity + 128) >> 8) << shift; };
  return scale(24) | scale(16) | scale(8) | scale(0);
}

// Source over, premultiplied, onto 3 bytes blue, green, red.
inline void BlendPixel(QRgb pixel, unsigned char* target) {
  const uint32_t alpha = pixel >> 24;
  const uint32_t blue = pixel & 0xFF;
  const uint32_t green = (pixel >> 8) & 0xFF;
  const uint32_t red = (pixel >> 16) & 0xFF;
  if (alpha == 255) {
    target[0] = static_cast<unsigned char>(blue);
    target[1] = static_cast<unsigned char>(green);
    target[2] = static_cast<unsigned char>(red);
    return;
  }
  // result = overlay + frame × (1 − alpha).
  const uint32_t rest = 255 - alpha;
  target[0] = static_cast<unsigned char>(blue + Div255(target[0] * rest));
  target[1] = static_cast<unsigned char>(green + Div255(target[1] * rest));
  target[2] = static_cast<unsigned char>(red + Div255(target[2] * rest));
}

// Source over, premultiplied, onto a premultiplied ARGB32 pixel.
inline QRgb Over(QRgb pixel, QRgb below) {
  const uint32_t rest = 255 - (pixel >> 24);
  if (rest == 0 || below == 0) return pixel;
  const auto channel = [&](int shift) {
    return std::min<uint32_t>(255, ((pixel >> shift) & 0xFF) + Div255(((below >> shift) & 0xFF) * rest)) << shift;
  };
  return channel(24) | channel(16) | channel(8) | channel(0);
}

}  // namespace

bool FrameOverlay::IsCurrent(QSize frameSize) const {
  if (!valid_ || frameSize_ != frameSize) return false;
  for (const auto& [path, stamp] : pictureStamps_) {
    if (StampOf(path) != stamp) return false;
  }
  return true;
}

bool FrameOverlay::IsTimed() const {
  return std::any_of(parts_.begin(), parts_.end(),
                     [](const Part& part) { return part.timing.has_value() || part.live >= 0; });
}

bool FrameOverlay::RenderLive(WatermarkLayer& layer, const FrameRect& frame, QSize frameSize, const QTransform& toFrame,
                              PictureCache& pictures) {
  const bool timed = layer.timing.IsTimed();
  const size_t first = parts_.size();
  if (!layer.imagePath.isEmpty()) {
    QImage canvas(frameSize, QImage::Format_RGBA64_Premultiplied);
    if (canvas.isNull()) return false;
    canvas.fill(Qt::transparent);
    {
      Graphics graphics(canvas);
      if (graphics.IsActive()) graphics.Painter().setTransform(toFrame);
      if (graphics.IsActive()) PaintImagePart(graphics, layer, frame, pictures);
    }
    const QImage pixels = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull()) return false;
    Part part = FindSpans(pixels);
    if (!part.spans.empty()) parts_.push_back(std::move(part));
  }
  const int live = static_cast<int>(liveCells_.size());
  liveCells_.push_back(LiveCellsOf(layer));
  const std::vector<LiveCell>& cells = liveCells_.back();
  const QRect picture(QPoint(0, 0), frameSize);
  for (size_t cell = 0; cell < cells.size(); ++cell) {
    const bool literal = cells[cell].token.isEmpty();
    const qsizetype glyphs = literal ? 1 : cells[cell].alphabet.size();
    for (qsizetype g = 0; g < glyphs; ++g) {
      const QString glyph = literal ? cells[cell].fixed : QString(cells[cell].alphabet[g]);
      const QRect area =
          toFrame.mapRect(TextCellBounds(layer, frame, cells[cell], glyph)).toAlignedRect().adjusted(-1, -1, 1, 1) &
          picture;
      if (area.isEmpty()) continue;
      QImage canvas(area.size(), QImage::Format_RGBA64_Premultiplied);
      if (canvas.isNull()) return false;
      canvas.fill(Qt::transparent);
      {
        Graphics graphics(canvas);
        if (graphics.IsActive()) {
          graphics.Painter().setTransform(toFrame * QTransform::fromTranslate(-area.left(), -area.top()));
          PaintTextCells(graphics, layer, frame, {cells[cell]}, {glyph});
        }
      }
      const QImage pixels = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      if (pixels.isNull()) return false;
      Part part = FindSpans(pixels, area.topLeft());
      if (part.spans.empty()) continue;
      part.live = literal ? -1 : live;
      part.cell = static_cast<int>(cell);
      part.glyph = glyph;
      parts_.push_back(std::move(part));
    }
  }
  // The layer moves as one: every part by the motion of the layer's whole box.
  QRect whole;
  for (size_t i = first; i < parts_.size(); ++i) whole |= parts_[i].box;
  for (size_t i = first; i < parts_.size(); ++i) {
    parts_[i].timingBox = whole;
    if (timed) parts_[i].timing = layer.timing;
  }
  return true;
}

const std::vector<std::vector<QString>>& FrameOverlay::LiveTextsAt(const FrameTime& time) const {
  const auto same = [&](const FrameTime& a) {
    return a.frameMs == time.frameMs && a.frameIndex == time.frameIndex && a.rateNum == time.rateNum &&
           a.rateDen == time.rateDen && a.startFrames == time.startFrames;
  };
  if (!liveTime_ || !same(*liveTime_)) {
    const vidmora::TokenValues values = FrameValues(time);
    liveTexts_.clear();
    for (const std::vector<LiveCell>& cells : liveCells_) liveTexts_.push_back(LiveCellTexts(cells, values));
    liveTime_ = time;
  }
  return liveTexts_;
}

bool FrameOverlay::Render(std::vector<WatermarkLayer>& layers, const FrameRect& frame, QSize frameSize,
                          const QTransform& toFrame, PictureCache& pictures) {
  valid_ = false;
  parts_.clear();
  liveCells_.clear();
  liveTime_.reset();
  pictureStamps_.clear();
  QImage canvas(frameSize, QImage::Format_RGBA64_Premultiplied);
  if (canvas.isNull()) return false;

  // Stamps taken before painting: a file that changes meanwhile differs from
  // its stamp and is painted again on the next frame.
  for (const WatermarkLayer& layer : layers) {
    if (!layer.imagePath.isEmpty()) pictureStamps_.emplace_back(layer.imagePath, pictures.Get(layer.imagePath).stamp);
  }
  // Runs of untimed layers are painted together, each timed layer alone.
  const auto alone = [&](size_t i) { return layers[i].timing.IsTimed() || !layers[i].livePattern.isEmpty(); };
  for (size_t first = 0; first < layers.size();) {
    if (!layers[first].livePattern.isEmpty()) {
      if (!RenderLive(layers[first], frame, frameSize, toFrame, pictures)) return false;
      ++first;
      continue;
    }
    const bool timed = alone(first);
    size_t end = first + 1;
    while (!timed && end < layers.size() && !alone(end)) ++end;
    std::vector<WatermarkLayer> group(std::make_move_iterator(layers.begin() + static_cast<std::ptrdiff_t>(first)),
                                      std::make_move_iterator(layers.begin() + static_cast<std::ptrdiff_t>(end)));
    canvas.fill(Qt::transparent);
    {
      Graphics graphics(canvas);
      if (graphics.IsActive()) graphics.Painter().setTransform(toFrame);
      PaintLayers(graphics, group, frame, pictures);
    }
    std::move(group.begin(), group.end(), layers.begin() + static_cast<std::ptrdiff_t>(first));
    const QImage pixels = canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull()) return false;
    Part part = FindSpans(pixels);
    if (timed) part.timing = layers[first].timing;
    part.timingBox = part.box;
    if (!part.spans.empty()) parts_.push_back(std::move(part));
    first = end;
  }
  frameSize_ = frameSize;
  valid_ = true;
  return true;
}

FrameOverlay::Part FrameOverlay::FindSpans(const QImage& pixels, QPoint origin) {
  Part part;
  const int width = pixels.width();
  int left = std::numeric_limits<int>::max(), right = std::numeric_limits<int>::min();
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (true) {
      while (x < width && row[x] == 0) ++x;
      if (x >= width) break;
      const int start = x;
      while (x < width && row[x] != 0) ++x;
      const int end = x;
      part.spans.push_back({y + origin.y(), start + origin.x(), end + origin.x()});
      part.pixels.insert(part.pixels.end(), row + start, row + end);
      left = std::min(left, start + origin.x());
      right = std::max(right, end + origin.x());
    }
  }
  if (!part.spans.empty())
    part.box = QRect(QPoint(left, part.spans.front().y), QPoint(right - 1, part.spans.back().y));
  part.spans.shrink_to_fit();
  part.pixels.shrink_to_fit();
  return part;
}

std::optional<FrameOverlay::Placed> FrameOverlay::PlaceAt(const Part& part, FrameTime time) const {
  if (part.live >= 0 && LiveTextsAt(time)[static_cast<size_t>(part.live)][static_cast<size_t>(part.cell)] != part.glyph)
    return std::nullopt;
  if (!part.timing) return Placed{&part, 256, {}};
  const MarkState state = MarkStateAt(*part.timing, time, frameSize_, part.timingBox);
  const auto opacity = static_cast<uint32_t>(std::lround(state.opacity * 256));
  if (!state.visible || opacity == 0) return std::nullopt;
  return Placed{&part, opacity, state.offset};
}

std::pair<int, int> FrameOverlay::PaintedRows(FrameTime time) const {
  int first = frameSize_.height(), end = 0;
  for (const Part& part : parts_) {
    const auto placed = PlaceAt(part, time);
    if (!placed) continue;
    first = std::min(first, std::max(0, part.box.top() + placed->offset.y()));
    end = std::max(end, std::min(frameSize_.height(), part.box.bottom() + 1 + placed->offset.y()));
  }
  return first < end ? std::pair{first, end} : std::pair{0, 0};
}

template <typename Visit>
void FrameOverlay::ForEachShownRun(FrameTime time, int firstRow, int endRow, Visit visit) const {
  const int width = frameSize_.width();
  for (const Part& part : parts_) {
    const auto placed = PlaceAt(part, time);
    if (!placed) continue;
    const int dx = placed->offset.x(), dy = placed->offset.y();
    const QRgb* source = part.pixels.data();
    for (const Span& span : part.spans) {
      const QRgb* spanSource = source;
      source += span.x1 - span.x0;
      const int y = span.y + dy;
      if (y < firstRow || y >= endRow) continue;
      const int x0 = std::max(0, span.x0 + dx), x1 = std::min(width, span.x1 + dx);
      if (x0 >= x1) continue;
      visit(spanSource + (x0 - (span.x0 + dx)), y, x0, x1 - x0, placed->opacity);
    }
  }
}

void FrameOverlay::BlendInto(unsigned char* bits, int64_t strideBytes, FrameTime time) const {
  ForEachShownRun(time, 0, frameSize_.height(), [&](const QRgb* source, int y, int x, int count, uint32_t opacity) {
    unsigned char* target = bits + y * strideBytes + int64_t{x} * 3;
    if (opacity >= 256) {
      for (; count > 0; --count, ++source, target += 3) BlendPixel(*source, target);
    } else {
      for (; count > 0; --count, ++source, target += 3) BlendPixel(Faded(*source, opacity), target);
    }
  });
}

void FrameOverlay::CopyRows(int firstRow, int endRow, QRgb* pixels, FrameTime time) const {
  const int width = frameSize_.width();
  std::fill(pixels, pixels + int64_t{width} * (endRow - firstRow), QRgb{0});
  ForEachShownRun(time, firstRow, endRow, [&](const QRgb* source, int y, int x, int count, uint32_t opacity) {
    QRgb* target = pixels + int64_t{y - firstRow} * width + x;
    for (; count > 0; --count, ++source, ++target) *target = Over(Faded(*source, opacity), *target);
  });
}

void FrameOverlay::CopyPartRows(size_t index, int firstRow, int endRow, QRgb* pixels) const {
  const int width = frameSize_.width();
  std::fill(pixels, pixels + int64_t{width} * (endRow - firstRow), QRgb{0});
  const Part& part = parts_[index];
  const QRgb* source = part.pixels.data();
  for (const Span& span : part.spans) {
    const int count = span.x1 - span.x0;
    if (span.y >= firstRow && span.y < endRow)
      std::copy(source, source + count, pixels + int64_t{span.y - firstRow} * width + span.x0);
    source += count;
  }
}

bool FrameOverlay::PartAt(size_t index, FrameTime time, uint32_t& opacity, QPoint& offset) const {
  const auto placed = PlaceAt(parts_[index], time);
  if (!placed) return false;
  opacity = placed->opacity;
  offset = placed->offset;
  return true;
}

}  // namespace glyphra
