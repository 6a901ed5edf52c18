#include "draw/render_context.h"

namespace glyphra {

RenderContext& ThreadRenderContext() {
  thread_local RenderContext context;
  return context;
}

}  // namespace glyphra
