#include "draw/template_loader.h"

#include "draw/frame_hook.h"
#include "draw/text_fitting.h"
#include "shared/markup/markup_doc.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <optional>
#include <string>
#include <vector>

namespace glyphra {
namespace {

std::u16string FilePath(const QString& folder, const QString& name) {
  return vidmora::NamedFilePath(folder.toStdU16String(), name.toStdU16String());
}

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
  return layer;
}

// Appends at most one layer; a layer file that cannot be read, or has no
// "WatermarkConf", adds none. The keys are read as the editors read them,
// from all-zero values.
void LoadLayer(RenderContext& context, const QString& templatesFolder, const QString& layerName) {
  vidmora::EditedLayer values;
  const auto parts = vidmora::ReadLayerFile(FilePath(templatesFolder, layerName), values);
  if (!parts || !parts->root) return;
  WatermarkLayer layer = FromLayerValues(values);
  if (parts->text) {
    if (layer.text.isEmpty()) layer.text = QStringLiteral(" ");
    // Without fonts nothing can be measured (nor painted).
    if (layer.scaleText != 0 && PaintingAvailable()) FitTextToFrame(layer, context.frameRect);
  }
  context.layers.push_back(std::move(layer));
}

}  // namespace

int LoadTemplate(RenderContext& context, const QString& templatesFolder) {
  context.layers.clear();
  context.overlay.Invalidate();
  const auto finish = [&context](int result) {
    std::vector<QString> pictures;
    for (const WatermarkLayer& layer : context.layers) pictures.push_back(layer.imagePath);
    context.pictures.Retain(pictures);
    return result;
  };
  if (templatesFolder.isEmpty()) return finish(0);

  vidmora::MarkupDoc document;
  if (!document.Load(FilePath(templatesFolder, context.templateName))) return finish(-1);
  if (!document.FindElem(u"Layers")) return finish(0);
  document.IntoElem();
  if (!document.FindElem(u"layer")) return finish(0);
  LoadLayer(context, templatesFolder, QString::fromStdU16String(document.GetData()));
  return finish(0);
}

}  // namespace glyphra
