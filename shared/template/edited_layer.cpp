#include "shared/template/edited_layer.h"

#include <array>

namespace vidmora {

namespace {

using L = EditedLayer;

constexpr LayerKey Text(std::u16string_view name, std::u16string L::*field) {
  return {name, LayerKeyKind::kText, field, nullptr, nullptr};
}
constexpr LayerKey Int(std::u16string_view name, int32_t L::*field) {
  return {name, LayerKeyKind::kInt, nullptr, field, nullptr};
}
constexpr LayerKey Colour(std::u16string_view name, uint32_t L::*field) {
  return {name, LayerKeyKind::kUnsigned, nullptr, nullptr, field};
}

// "EdgeLineThickness" stands before "EdgeAlpha": files have always been
// written in this order, and readers find keys only in this order.
constexpr std::array kTextKeys = {
    Text(u"textContent", &L::textContent),
    LayerKey{u"Font", LayerKeyKind::kFont, nullptr, nullptr, nullptr},
    Int(u"FontPointSize", &L::fontPointSize),
    Int(u"Location", &L::location),
    Int(u"OffsetH", &L::offsetH),
    Int(u"OffsetV", &L::offsetV),
    Int(u"Rotation", &L::rotation),
    Int(u"Transparency", &L::transparency),
    Int(u"BAddShadow", &L::addShadow),
    Int(u"ShadowH", &L::shadowH),
    Int(u"ShadowV", &L::shadowV),
    Int(u"ShadowBR", &L::shadowBlurRadius),
    Int(u"ShadowAlpha", &L::shadowAlpha),
    Colour(u"ShadowColor", &L::shadowColor),
    Int(u"BFillText", &L::fillText),
    Colour(u"TextColor", &L::textColor),
    Int(u"BDrawEdge", &L::drawEdge),
    Colour(u"EdgeColor", &L::edgeColor),
    Int(u"EdgeLineThickness", &L::edgeLineThickness),
    Int(u"EdgeAlpha", &L::edgeAlpha),
    Int(u"B3DText", &L::text3D),
    Int(u"TDTextColor", &L::text3DColor),
    Int(u"TDTextOffset", &L::text3DOffset),
    Int(u"TDTextPos", &L::text3DPos),
    Int(u"BGradientText", &L::gradientText),
    Colour(u"GradientBeginColor", &L::gradientBeginColor),
    Colour(u"GradientEndColor", &L::gradientEndColor),
    Int(u"BCoverImage", &L::coverImage),
    Int(u"coverImgMethod", &L::coverImageMethod),
    Int(u"ScaleTextWT", &L::scaleText),
};

constexpr std::array kImageKeys = {
    Text(u"ImagePathName", &L::imagePathName),
    Int(u"ImageLocation", &L::imageLocation),
    Int(u"ImageOffsetH", &L::imageOffsetH),
    Int(u"ImageOffsetV", &L::imageOffsetV),
    Int(u"ImageRotation", &L::imageRotation),
    Int(u"ImageTransparency", &L::imageTransparency),
    Int(u"ImageWidth", &L::imageWidth),
    Int(u"ImageHeight", &L::imageHeight),
    Int(u"ScaleImgWT", &L::scaleImage),
};

constexpr std::array kTimingKeys = {
    Int(u"StartTime", &L::startTime),     Int(u"EndTime", &L::endTime),         Int(u"FadeIn", &L::fadeIn),
    Int(u"FadeOut", &L::fadeOut),         Int(u"RepeatEvery", &L::repeatEvery), Int(u"ShowFor", &L::showFor),
};

constexpr std::array kMotionKeys = {
    Int(u"MotionKind", &L::motionKind),     Int(u"MotionToLocation", &L::motionToLocation),
    Int(u"MotionPeriod", &L::motionPeriod), Int(u"MotionSpeed", &L::motionSpeed),
    Int(u"MotionSeed", &L::motionSeed),
};

}  // namespace

std::span<const LayerKey> TimingLayerKeys() { return kTimingKeys; }
std::span<const LayerKey> MotionLayerKeys() { return kMotionKeys; }
std::span<const LayerKey> TextLayerKeys() { return kTextKeys; }
std::span<const LayerKey> ImageLayerKeys() { return kImageKeys; }

void ApplyNewLayerValues(EditedLayer& layer, std::u16string_view text) {
  const LogFont font = layer.font;
  layer = EditedLayer{};
  layer.font = font;
  layer.textContent = text;
  layer.fontPointSize = 20;
  layer.location = 4;
  layer.rotation = 30;
  layer.transparency = 255;
  layer.shadowH = 2;
  layer.shadowV = 2;
  layer.shadowAlpha = 12;
  layer.shadowColor = 8421504;
  layer.fillText = 1;
  layer.textColor = 734110;
  layer.edgeColor = 32896;
  layer.edgeLineThickness = 2;
  layer.edgeAlpha = 255;
  layer.text3DColor = 8421504;
  layer.text3DOffset = 6;
  layer.text3DPos = 3;
  layer.gradientBeginColor = 16776960;
  layer.gradientEndColor = 255;
  layer.scaleText = 1;
  layer.imageLocation = 4;
  layer.imageTransparency = 100;
  layer.scaleImage = 1;
}

}  // namespace vidmora
