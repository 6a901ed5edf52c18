#include "draw/template_loader.h"

#include "draw/frame_hook.h"
#include "draw/template_reader.h"
#include "draw/text_fitting.h"
#include "shared/template/edited_layer.h"

#include <optional>
#include <vector>

namespace glyphra {
// The painter's copy of a layer's values.
WatermarkLayer FromLayerValues(const vidmora::EditedLayer& v) {
  WatermarkLayer layer;
  layer.text = QString::fromStdU16String(v.textContent);
  layer.font = v.font;
  layer.fontPointSize = v.fontPointSize;
  layer.location = v.location;
  layer.offsetH = v.offsetH;
  layer.offsetV = v.offsetV;
  layer.rotation = v.rotation;
  layer.transparency = v.transparency;
  layer.addShadow = v.addShadow;
  layer.shadowH = v.shadowH;
  layer.shadowV = v.shadowV;
  layer.shadowBR = v.shadowBlurRadius;
  layer.shadowAlpha = v.shadowAlpha;
  layer.shadowColor = v.shadowColor;
  layer.fillText = v.fillText;
  layer.textColor = v.textColor;
  layer.drawEdge = v.drawEdge;
  layer.edgeColor = v.edgeColor;
  layer.edgeLineThickness = v.edgeLineThickness;
  layer.edgeAlpha = v.edgeAlpha;
  layer.b3DText = v.text3D;
  layer.tdTextColor = v.text3DColor;
  layer.tdTextOffset = v.text3DOffset;
  layer.tdTextPos = v.text3DPos;
  layer.bGradientText = v.gradientText;
  layer.gradientBeginColor = v.gradientBeginColor;
  layer.gradientEndColor = v.gradientEndColor;
  layer.coverImage = v.coverImage;
  layer.coverImgMethod = v.coverImageMethod;
  layer.scaleText = v.scaleText;
  layer.imagePath = QString::fromStdU16String(v.imagePathName);
  layer.imageLocation = v.imageLocation;
  layer.imageOffsetH = v.imageOffsetH;
  layer.imageOffsetV = v.imageOffsetV;
  layer.imageRotation = v.imageRotation;
  layer.imageTransparency = v.imageTransparency;
  layer.imageWidth = v.imageWidth;
  layer.imageHeight = v.imageHeight;
  layer.scaleImage = v.scaleImage;
  LayerTiming& timing = layer.timing;
  timing.startTime = v.startTime;
  timing.endTime = v.endTime;
  timing.fadeIn = v.fadeIn;
  timing.fadeOut = v.fadeOut;
  timing.repeatEvery = v.repeatEvery;
  timing.showFor = v.showFor;
  timing.motionKind = v.motionKind;
  timing.motionToLocation = v.motionToLocation;
  timing.motionPeriod = v.motionPeriod;
  timing.motionSpeed = v.motionSpeed;
  timing.motionSeed = v.motionSeed;
  // A layer without text is placed by its picture.
  const bool byPicture = v.textContent.empty() && !v.imagePathName.empty();
  timing.location = byPicture ? v.imageLocation : v.location;
  timing.offsetH = byPicture ? v.imageOffsetH : v.offsetH;
  timing.offsetV = byPicture ? v.imageOffsetV : v.offsetV;
  return layer;
}

QString ExpandPattern(const QString& pattern, const vidmora::TokenValues& frame) {
  return QString::fromStdU16String(vidmora::ExpandTokens(pattern.toStdU16String(), frame).text);
}

QString LayoutText(const QString& pattern) {
  vidmora::TokenValues widest;
  for (const std::u16string_view name : vidmora::kFrameTokens)
    widest.emplace(std::u16string(name), vidmora::WidestFrameValue(name));
  return ExpandPattern(pattern, widest);
}

WatermarkLayer PrepareLayer(const vidmora::EditedLayer& values, const FrameRect& frame, LayerText text,
                            const vidmora::TokenValues& tokens) {
  WatermarkLayer layer = FromLayerValues(values);
  if (text == LayerText::kPresent) {
    const vidmora::TokenExpansion expanded = vidmora::ExpandTokens(values.textContent, tokens);
    if (expanded.hasFrameTokens) {
      layer.livePattern = QString::fromStdU16String(
          vidmora::ExpandTokens(values.textContent, tokens, vidmora::ExpandedAs::kPattern).text);
      layer.text = LayoutText(layer.livePattern);
    } else {
      layer.text = QString::fromStdU16String(expanded.text);
    }
    if (layer.text.isEmpty()) layer.text = QStringLiteral(" ");
    // Without fonts nothing can be measured (nor painted).
    if (layer.scaleText != 0 && PaintingAvailable()) FitTextToFrame(layer, frame);
  }
  return layer;
}

std::optional<std::vector<WatermarkLayer>> ReadTemplateLayers(const QString& templatesFolder,
                                                              const QString& templateName, const FrameRect& frame,
                                                              const vidmora::TokenValues& tokens) {
  const TemplateReading reading = ReadTemplate(templatesFolder, templateName, PictureCheck::kSkip);
  if (!reading.templateReadable) return std::nullopt;
  std::vector<WatermarkLayer> layers;
  layers.reserve(reading.layers.size());
  for (const TemplateLayer& layer : reading.layers)
    layers.push_back(
        PrepareLayer(layer.values, frame, layer.hasText ? LayerText::kPresent : LayerText::kAbsent, tokens));
  return layers;
}

int LoadTemplate(RenderContext& context, const QString& templatesFolder) {
  context.overlay.Invalidate();
  auto layers = ReadTemplateLayers(templatesFolder, context.templateName, context.frameRect, context.tokens);
  context.layers = layers ? std::move(*layers) : std::vector<WatermarkLayer>{};
  std::vector<QString> pictures;
  for (const WatermarkLayer& layer : context.layers) pictures.push_back(layer.imagePath);
  context.pictures.Retain(pictures);
  return layers ? 0 : -1;
}

}  // namespace glyphra
