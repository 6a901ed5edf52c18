#pragma once

// The drawing context of one thread: the prepared template's layers, the
// frame they are placed in, and what painting keeps between frames (the
// painted overlay and the decoded pictures). Every thread that prepares and
// paints has its own, so a preview on the window's thread never changes the
// watermark of a video being encoded on a worker. Made on a thread's first
// use, destroyed when the thread ends; it holds no font and no QObject.

#include "draw/frame_overlay.h"
#include "draw/frame_rect.h"
#include "draw/layer_timing.h"
#include "draw/picture_cache.h"
#include "draw/watermark_layer.h"
#include "shared/template/text_tokens.h"

#include <QSize>
#include <QString>
#include <QTransform>

#include <vector>

namespace glyphra {

struct RenderContext {
  FrameRect frameRect;                  // (0, 0, width, height) of the last prepare: the picture as shown
  // Frames of this size hold the picture of frameRect in pixels that are not
  // square (stored narrower or wider than shown): the layers are placed in
  // frameRect and scaled onto them. Empty: frames are painted as they come.
  QSize storedFrameSize;
  int purpose = 0;                      // 0 preview, 2 encoder frame hook; painting is the same
  QString templateName;                 // of the last prepare
  std::vector<WatermarkLayer> layers;   // in load order; replaced by every prepare
  FrameOverlay overlay;                 // the layers painted once for the frame hook
  bool overlayPinned = false;           // FrameHookRows vouched for it: the next frame uses it unchecked
  PictureCache pictures;                // decoded pictures of the layers
  FrameTime frameTime;                  // of the next frames (SetFrameHookTime); none: all shown still
  vidmora::TokenValues tokens;          // the file's token values (SetTemplateTokens), used by the next prepare
};

// The calling thread's context.
RenderContext& ThreadRenderContext();

// How the layers, placed in the context's frame rectangle, map onto a frame of
// `frameSize`: scaled when the frame has the context's stored size (pixels that
// are not square), else as they are.
QTransform FrameTransform(const RenderContext& context, QSize frameSize);

}  // namespace glyphra
