#include "draw/render_context.h"

namespace glyphra {

RenderContext& ThreadRenderContext() {
  thread_local RenderContext context;
  return context;
}

QTransform FrameTransform(const RenderContext& context, QSize frameSize) {
  const int shownWidth = context.frameRect.Width();
  const int shownHeight = context.frameRect.Height();
  if (context.storedFrameSize.isEmpty() || frameSize != context.storedFrameSize || shownWidth <= 0 || shownHeight <= 0)
    return {};
  return QTransform::fromScale(static_cast<qreal>(frameSize.width()) / shownWidth,
                               static_cast<qreal>(frameSize.height()) / shownHeight);
}

}  // namespace glyphra
