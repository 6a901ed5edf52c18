// The library's exports: thin, exception-safe entries into the calling
// thread's drawing context and the process-wide settings.
#include "draw/glyphra.h"

#include "common/quorvil.h"
#include "draw/frame_hook.h"
#include "draw/image_painter.h"
#include "draw/text_painter.h"
#include "draw/layer_painter.h"
#include "draw/library_state.h"
#include "draw/log_sink.h"
#include "draw/preview_painter.h"
#include "draw/render_context.h"
#include "draw/template_loader.h"
#include "draw/template_reader.h"
#include "logging/log_interface.h"

#include <cstdarg>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>

namespace {

QString FromWide(const char16_t* text) {
  return text ? QString::fromUtf16(text) : QString();
}

glyphra::FrameTime Time(long long frameMs, long long clipMs) {
  return {frameMs < 0 ? -1 : frameMs, clipMs > 0 ? clipMs : 0};
}

}  // namespace

extern "C" {

void InitTemplateFolderPathForDrawlixDll(const char16_t* appName) {
  try {
    glyphra::LibrarySettings settings;
    settings.applicationName = appName ? FromWide(appName) : QStringLiteral("Vidmora");
    std::u16string dataFolder;
    GetAppDataPath(dataFolder, reinterpret_cast<const char16_t*>(settings.applicationName.utf16()));
    if (!dataFolder.empty()) settings.templatesFolder = QString::fromStdU16String(dataFolder) + QStringLiteral("/templates");
    glyphra::StoreSettings(settings);
  } catch (...) {
    // Out of memory: the settings stay as they were.
  }
}

int PrepareWMForDrawlixDll(const char16_t* templateName, int width, int height, int purpose) {
  glyphra::RenderContext& context = glyphra::ThreadRenderContext();
  try {
    context.templateName = FromWide(templateName);
    context.frameRect = {0, 0, width, height};
    context.storedFrameSize = QSize();
    context.purpose = purpose;
    return glyphra::LoadTemplate(context, glyphra::CurrentSettings().templatesFolder);
  } catch (...) {
    context.layers.clear();
    context.overlay.Invalidate();
    return -1;
  }
}

int PrepareWMForVideoFrames(const char16_t* templateName, int shownWidth, int shownHeight, int frameWidth,
                            int frameHeight, int purpose) {
  const int result = PrepareWMForDrawlixDll(templateName, shownWidth, shownHeight, purpose);
  glyphra::ThreadRenderContext().storedFrameSize =
      frameWidth > 0 && frameHeight > 0 && (frameWidth != shownWidth || frameHeight != shownHeight)
          ? QSize(frameWidth, frameHeight)
          : QSize();
  return result;
}

int ReadWatermarkTemplate(const char16_t* templatesFolder, const char16_t* templateName, int checkPictures,
                          glyphra::TemplateReading* reading) {
  if (reading == nullptr) return static_cast<int>(glyphra::Status::InvalidParameter);
  try {
    QString folder = FromWide(templatesFolder);
    if (folder.isEmpty()) folder = glyphra::CurrentSettings().templatesFolder;
    *reading = glyphra::ReadTemplate(folder, FromWide(templateName),
                                     checkPictures != 0 ? glyphra::PictureCheck::kDecode : glyphra::PictureCheck::kSkip);
    return reading->templateReadable ? 0 : -1;
  } catch (...) {
    *reading = {};
    return -1;
  }
}

int SetTemplateTokens(const vidmora::TokenValues* values) {
  try {
    glyphra::ThreadRenderContext().tokens = values ? *values : vidmora::TokenValues{};
  } catch (...) {
    glyphra::ThreadRenderContext().tokens.clear();
  }
  return 0;
}

int DrawGraphicsWithTempConf(glyphra::Graphics* graphics) {
  if (graphics == nullptr) return 0;
  if (!glyphra::PaintingAvailable()) {
    graphics->SetStatus(glyphra::Status::WrongState);
    return 0;
  }
  glyphra::RenderContext& context = glyphra::ThreadRenderContext();
  try {
    glyphra::PaintLayers(*graphics, context.layers, context.frameRect, context.pictures);
  } catch (...) {
    graphics->SetStatus(glyphra::Status::OutOfMemory);
  }
  return 0;
}

int cplusplusout(unsigned char* bits, int width, int height) {
  try {
    return static_cast<int>(glyphra::PaintFrame(glyphra::ThreadRenderContext(), bits, width, height));
  } catch (...) {
    return static_cast<int>(glyphra::Status::OutOfMemory);
  }
}

int FrameHookRows(int width, int height, int* firstRow, int* endRow) {
  if (firstRow == nullptr || endRow == nullptr) return 0;
  try {
    return glyphra::FrameRows(glyphra::ThreadRenderContext(), width, height, *firstRow, *endRow) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int FrameHookOverlay(int width, int height, int firstRow, int endRow, unsigned int* pixels) {
  static_assert(sizeof(unsigned int) == sizeof(QRgb));
  try {
    return glyphra::CopyOverlayRows(glyphra::ThreadRenderContext(), width, height, firstRow, endRow, pixels) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int SetFrameHookTime(long long frameMs, long long clipMs) {
  glyphra::FrameTime& time = glyphra::ThreadRenderContext().frameTime;
  const glyphra::FrameTime set = Time(frameMs, clipMs);
  time.frameMs = set.frameMs;
  time.clipMs = set.clipMs;
  return 0;
}

int SetFrameHookClock(long long frameIndex, int rateNum, int rateDen, const char* startTimecode) {
  glyphra::FrameTime& time = glyphra::ThreadRenderContext().frameTime;
  time.frameIndex = frameIndex < 0 ? -1 : frameIndex;
  time.rateNum = rateNum > 0 && rateDen > 0 ? rateNum : 0;
  time.rateDen = rateNum > 0 && rateDen > 0 ? rateDen : 1;
  const std::optional<int64_t> start =
      startTimecode ? vidmora::ParseTimecode(startTimecode, {time.rateNum > 0 ? time.rateNum : 25, time.rateDen})
                    : std::nullopt;
  time.startFrames = start.value_or(0);
  return 0;
}

int FrameHookTimed(int width, int height) {
  try {
    glyphra::RenderContext& context = glyphra::ThreadRenderContext();
    int first = 0, end = 0;
    if (!glyphra::FrameRows(context, width, height, first, end)) return 0;
    context.overlayPinned = false;
    return context.overlay.IsPaintedFor(QSize(width, height)) && context.overlay.IsTimed() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int FrameHookParts(int width, int height) {
  try {
    glyphra::RenderContext& context = glyphra::ThreadRenderContext();
    int first = 0, end = 0;
    if (!glyphra::FrameRows(context, width, height, first, end)) return -1;
    context.overlayPinned = false;
    if (context.layers.empty() || !glyphra::PaintingAvailable()) return 0;
    return context.overlay.IsPaintedFor(QSize(width, height)) ? static_cast<int>(context.overlay.PartCount()) : -1;
  } catch (...) {
    return -1;
  }
}

namespace {
bool HasPart(const glyphra::RenderContext& context, int width, int height, int index) {
  return index >= 0 && context.overlay.IsPaintedFor(QSize(width, height)) &&
         static_cast<size_t>(index) < context.overlay.PartCount();
}
}  // namespace

int FrameHookPartRows(int width, int height, int index, int* firstRow, int* endRow) {
  const glyphra::RenderContext& context = glyphra::ThreadRenderContext();
  if (firstRow == nullptr || endRow == nullptr || !HasPart(context, width, height, index)) return 0;
  std::tie(*firstRow, *endRow) = context.overlay.PartRows(static_cast<size_t>(index));
  return 1;
}

int FrameHookPartPixels(int width, int height, int index, int firstRow, int endRow, unsigned int* pixels) {
  const glyphra::RenderContext& context = glyphra::ThreadRenderContext();
  if (pixels == nullptr || !HasPart(context, width, height, index) || firstRow < 0 || endRow > height ||
      firstRow > endRow)
    return 0;
  context.overlay.CopyPartRows(static_cast<size_t>(index), firstRow, endRow, pixels);
  return 1;
}

int FrameHookPartAt(int index, int* opacity, int* offsetX, int* offsetY) {
  const glyphra::RenderContext& context = glyphra::ThreadRenderContext();
  if (opacity == nullptr || offsetX == nullptr || offsetY == nullptr || index < 0 ||
      static_cast<size_t>(index) >= context.overlay.PartCount())
    return 0;
  uint32_t shown = 0;
  QPoint offset;
  if (!context.overlay.PartAt(static_cast<size_t>(index), context.frameTime, shown, offset)) return 0;
  *opacity = static_cast<int>(shown);
  *offsetX = offset.x();
  *offsetY = offset.y();
  return 1;
}

int PaintTemplateOntoImage(const char16_t* templateName, QImage* image) {
  return PaintTemplateOntoImageAt(templateName, image, -1, 0);
}

int PaintLayersOntoImage(const vidmora::EditedLayer* layers, int count, QImage* image) {
  return PaintLayersOntoImageAt(layers, count, image, -1, 0);
}

int PaintTemplateOntoImageAt(const char16_t* templateName, QImage* image, long long frameMs, long long clipMs) {
  if (image == nullptr || image->isNull()) return static_cast<int>(glyphra::Status::InvalidParameter);
  try {
    const glyphra::FrameRect frame{0, 0, image->width(), image->height()};
    auto layers = glyphra::ReadTemplateLayers(glyphra::CurrentSettings().templatesFolder, FromWide(templateName), frame,
                                              glyphra::ThreadRenderContext().tokens);
    if (!layers) return -1;
    return static_cast<int>(glyphra::PaintOntoImage(std::move(*layers), *image, Time(frameMs, clipMs)));
  } catch (...) {
    return static_cast<int>(glyphra::Status::OutOfMemory);
  }
}

int PaintLayersOntoImageAt(const vidmora::EditedLayer* layers, int count, QImage* image, long long frameMs,
                           long long clipMs) {
  if (image == nullptr || image->isNull() || count < 0 || (count > 0 && layers == nullptr))
    return static_cast<int>(glyphra::Status::InvalidParameter);
  try {
    const glyphra::FrameRect frame{0, 0, image->width(), image->height()};
    std::vector<glyphra::WatermarkLayer> prepared;
    prepared.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
      prepared.push_back(
          glyphra::PrepareLayer(layers[i], frame, glyphra::LayerText::kPresent, glyphra::ThreadRenderContext().tokens));
    return static_cast<int>(glyphra::PaintOntoImage(std::move(prepared), *image, Time(frameMs, clipMs)));
  } catch (...) {
    return static_cast<int>(glyphra::Status::OutOfMemory);
  }
}

int MeasureLayerParts(const vidmora::EditedLayer* layer, int width, int height, QRectF* textBox, QRectF* imageBox) {
  if (layer == nullptr || textBox == nullptr || imageBox == nullptr || width <= 0 || height <= 0)
    return static_cast<int>(glyphra::Status::InvalidParameter);
  if (!glyphra::PaintingAvailable()) return static_cast<int>(glyphra::Status::WrongState);
  try {
    const glyphra::FrameRect frame{0, 0, width, height};
    const glyphra::WatermarkLayer prepared =
        glyphra::PrepareLayer(*layer, frame, glyphra::LayerText::kPresent, glyphra::ThreadRenderContext().tokens);
    // A text of blanks paints nothing to take hold of.
    *textBox = prepared.text.trimmed().isEmpty() ? QRectF() : glyphra::TextPartBox(prepared, frame);
    glyphra::PictureCache pictures;
    *imageBox = glyphra::ImagePartBox(prepared, frame, pictures);
    return 0;
  } catch (...) {
    return static_cast<int>(glyphra::Status::OutOfMemory);
  }
}

void va_logx(const char* format, ...) {
  std::u16string text;
  va_list args;
  va_start(args, format);
  try {
    text = glyphra::FormatLogMessage(format, args);
  } catch (...) {
    // Out of memory: nothing can be logged.
  }
  va_end(args);
  try {
    const QString applicationName = glyphra::CurrentSettings().applicationName;
    CLogInterface::GetInstance(applicationName.toStdU16String())->DoLogMessage(text);
  } catch (...) {
    // Nowhere left to report to.
  }
}

}  // extern "C"
