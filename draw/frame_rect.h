#pragma once

// The frame rectangle that a template is prepared for: left and top are
// always 0, right and bottom the frame's width and height in pixels. Placement
// uses it rather than the size of the picture being painted.

namespace glyphra {

struct FrameRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

}  // namespace glyphra
