#pragma once

// EditedLayer: the values of one watermark layer as a layer file holds them
// (a text part and an image part), and the table of their keys in the order
// in which layer files write them and readers look for them.
//
// Colours are 0x00BBGGRR values (red in the low byte). Text opacity is 0 to
// 255, image opacity a percentage. Switches are 0 or 1. Plain value type;
// any thread.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "shared/template/log_font.h"

namespace vidmora {

struct EditedLayer {
  // "Text" section.
  std::u16string textContent;
  LogFont font;
  int32_t fontPointSize = 0;
  int32_t location = 0;  // anchor 0 top left … 4 centre … 8 bottom right
  int32_t offsetH = 0;
  int32_t offsetV = 0;
  int32_t rotation = 0;      // degrees
  int32_t transparency = 0;  // 0 transparent … 255 opaque
  int32_t addShadow = 0;
  int32_t shadowH = 0;
  int32_t shadowV = 0;
  int32_t shadowBlurRadius = 0;
  int32_t shadowAlpha = 0;
  uint32_t shadowColor = 0;
  int32_t fillText = 0;
  uint32_t textColor = 0;
  int32_t drawEdge = 0;
  uint32_t edgeColor = 0;
  int32_t edgeLineThickness = 0;
  int32_t edgeAlpha = 0;
  int32_t text3D = 0;
  int32_t text3DColor = 0;  // read and written as a signed number
  int32_t text3DOffset = 0;
  int32_t text3DPos = 0;  // 0 top left, 1 top right, 2 bottom left, 3 bottom right
  int32_t gradientText = 0;
  uint32_t gradientBeginColor = 0;
  uint32_t gradientEndColor = 0;
  int32_t coverImage = 0;
  int32_t coverImageMethod = 0;  // 0 stroke, 1 fill
  int32_t scaleText = 0;

  // "Image" section.
  std::u16string imagePathName;  // empty: no image
  int32_t imageLocation = 0;
  int32_t imageOffsetH = 0;
  int32_t imageOffsetV = 0;
  int32_t imageRotation = 0;
  int32_t imageTransparency = 0;  // percent, 100 opaque
  int32_t imageWidth = 0;         // below 1: the picture's own width
  int32_t imageHeight = 0;        // below 1: the picture's own height
  int32_t scaleImage = 0;

  // "Timing" section (optional; all 0: shown on every frame). Milliseconds.
  int32_t startTime = 0;    // from the clip's start
  int32_t endTime = 0;      // 0 to the end; below 0 counts back from the end
  int32_t fadeIn = 0;
  int32_t fadeOut = 0;
  int32_t repeatEvery = 0;  // 0 shown once
  int32_t showFor = 0;      // shown in each repeat

  // "Motion" section (optional; kind 0 stands still).
  int32_t motionKind = 0;        // 0 still, 1 drift, 2 bounce, 3 jump
  int32_t motionToLocation = 0;  // drift: the second anchor 0..8
  int32_t motionPeriod = 0;      // ms: drift there and back, or between jumps
  int32_t motionSpeed = 0;       // bounce: per cent of the frame's width a second
  int32_t motionSeed = 0;        // jump: the same seed, the same places

  // Whether the layer has any timing or motion (else the sections are not written).
  bool HasTiming() const {
    return startTime != 0 || endTime != 0 || fadeIn != 0 || fadeOut != 0 || repeatEvery != 0 || showFor != 0;
  }
  bool HasMotion() const {
    return motionKind != 0 || motionToLocation != 0 || motionPeriod != 0 || motionSpeed != 0 || motionSeed != 0;
  }

  bool operator==(const EditedLayer&) const = default;
};

// How a key's element data is read and written.
enum class LayerKeyKind {
  kText,      // as is (escaped in the file)
  kFont,      // the 92-number byte list
  kInt,       // signed decimal
  kUnsigned,  // colour: unsigned decimal on reading, "%d" on writing
};

struct LayerKey {
  std::u16string_view name;
  LayerKeyKind kind;
  std::u16string EditedLayer::*text = nullptr;
  int32_t EditedLayer::*intValue = nullptr;
  uint32_t EditedLayer::*unsignedValue = nullptr;
};

// The keys of the "Text" (30) and "Image" (9) sections, in file order.
std::span<const LayerKey> TextLayerKeys();
std::span<const LayerKey> ImageLayerKeys();
// The optional "Timing" (6) and "Motion" (5) sections that follow "Image".
std::span<const LayerKey> TimingLayerKeys();
std::span<const LayerKey> MotionLayerKeys();

inline constexpr std::u16string_view kDemoLayerText = u"Vidmora";
inline constexpr std::u16string_view kNewTemplateLayerText = u"Vidmora For Win";

// Sets every value of a new layer, with `text` as its text; the font is left
// as it was (the new layer file gets the default font in any case).
void ApplyNewLayerValues(EditedLayer& layer, std::u16string_view text);

}  // namespace vidmora
