#pragma once

// One layer of a prepared template as the painter uses it: the text part and
// the image part with their placement and effects. Values are those read from
// the layer file (colours 0x00BBGGRR, opacity 0..255 for text and percent for
// the image); missing keys leave the defaults below.

#include "draw/layer_timing.h"
#include "shared/template/log_font.h"
#include "shared/template/text_tokens.h"

#include <QString>

#include <cstdint>

namespace glyphra {

struct WatermarkLayer {
  // Text part.
  QString text;  // tokens replaced; frame tokens at their widest (livePattern)
  // A text with frame tokens ("{timecode}", ...): the text with the file's
  // tokens replaced and literal braces escaped, expanded again for every
  // frame. Empty for a text that is the same on every frame.
  QString livePattern;
  vidmora::LogFont font{};           // all 0 when the file has none
  int32_t fontPointSize = 0;         // kept, never used for painting
  int32_t location = 0;              // anchor code 0..8; others place as 0
  int32_t offsetH = 0;
  int32_t offsetV = 0;
  int32_t rotation = 0;              // degrees, positive = counter-clockwise
  int32_t transparency = 0;          // low byte is the text's alpha
  int32_t addShadow = 0;
  int32_t shadowH = 0;
  int32_t shadowV = 0;
  int32_t shadowBR = 0;              // blur: the shadow has shadowBR + 8 strokes
  int32_t shadowAlpha = 0;           // low byte used
  uint32_t shadowColor = 0;          // kept; shadows are always black
  int32_t fillText = 0;
  uint32_t textColor = 0;
  int32_t drawEdge = 0;
  uint32_t edgeColor = 0;
  int32_t edgeLineThickness = 0;
  int32_t edgeAlpha = 0;             // low byte used
  int32_t b3DText = 0;               // loaded, cleared by the painter, never painted
  int32_t tdTextColor = 0;
  int32_t tdTextOffset = 0;
  int32_t tdTextPos = 0;
  int32_t bGradientText = 0;         // loaded, cleared by the painter, never painted
  uint32_t gradientBeginColor = 0;
  uint32_t gradientEndColor = 0;
  int32_t coverImage = 0;
  int32_t coverImgMethod = 0;        // 0 stroke the tiles, 1 fill them
  int32_t scaleText = 0;             // fit the text to the frame at load time

  // Image part.
  QString imagePath;                 // empty: no image
  int32_t imageLocation = 0;
  int32_t imageOffsetH = 0;
  int32_t imageOffsetV = 0;
  int32_t imageRotation = 0;
  int32_t imageTransparency = 0;     // percent opacity
  int32_t imageWidth = 0;            // below 1: the picture's own size
  int32_t imageHeight = 0;
  int32_t scaleImage = 0;            // scale the drawn size with the frame width

  // When and where the layer shows on a clip's frames (shown on every frame,
  // where painted, when not timed).
  LayerTiming timing;
};

}  // namespace glyphra
