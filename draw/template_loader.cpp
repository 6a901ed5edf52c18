#include "draw/template_loader.h"

#include "draw/frame_hook.h"
#include "draw/text_fitting.h"
#include "shared/markup/markup_doc.h"
#include "shared/template/log_font.h"
#include "shared/template/template_files.h"
#include "shared/text/wide_number.h"

#include <optional>
#include <string>
#include <vector>

namespace glyphra {
namespace {

std::u16string FilePath(const QString& folder, const QString& name) {
  return vidmora::NamedFilePath(folder.toStdU16String(), name.toStdU16String());
}

// Reads keys of one element in order: each lookup searches forward from the
// key found last, so a key written out of order is not found.
class KeyReader {
 public:
  explicit KeyReader(vidmora::MarkupDoc& document) : document_(document) {}

  std::optional<std::u16string> Data(std::u16string_view key) {
    if (!document_.FindElem(key)) return std::nullopt;
    return document_.GetData();
  }
  bool Text(std::u16string_view key, QString& value) {
    const auto data = Data(key);
    if (data) value = QString::fromStdU16String(*data);
    return data.has_value();
  }
  bool Int(std::u16string_view key, int32_t& value) {
    const auto data = Data(key);
    if (data) value = vidmora::WideToInt(*data);
    return data.has_value();
  }
  bool Unsigned(std::u16string_view key, uint32_t& value) {
    const auto data = Data(key);
    if (data) value = vidmora::WideToUnsigned(*data);
    return data.has_value();
  }
  bool Font(std::u16string_view key, vidmora::LogFont& value) {
    const auto data = Data(key);
    if (data) vidmora::ParseFontData(*data, value);
    return data.has_value();
  }

 private:
  vidmora::MarkupDoc& document_;
};

void ReadTextKeys(KeyReader& keys, WatermarkLayer& layer) {
  keys.Text(u"textContent", layer.text);
  keys.Font(u"Font", layer.font);
  keys.Int(u"FontPointSize", layer.fontPointSize);
  keys.Int(u"Location", layer.location);
  keys.Int(u"OffsetH", layer.offsetH);
  keys.Int(u"OffsetV", layer.offsetV);
  keys.Int(u"Rotation", layer.rotation);
  keys.Int(u"Transparency", layer.transparency);
  keys.Int(u"BAddShadow", layer.addShadow);
  keys.Int(u"ShadowH", layer.shadowH);
  keys.Int(u"ShadowV", layer.shadowV);
  keys.Int(u"ShadowBR", layer.shadowBR);
  keys.Int(u"ShadowAlpha", layer.shadowAlpha);
  keys.Unsigned(u"ShadowColor", layer.shadowColor);
  keys.Int(u"BFillText", layer.fillText);
  keys.Unsigned(u"TextColor", layer.textColor);
  keys.Int(u"BDrawEdge", layer.drawEdge);
  keys.Unsigned(u"EdgeColor", layer.edgeColor);
  keys.Int(u"EdgeLineThickness", layer.edgeLineThickness);
  keys.Int(u"EdgeAlpha", layer.edgeAlpha);
  keys.Int(u"B3DText", layer.b3DText);
  keys.Int(u"TDTextColor", layer.tdTextColor);
  keys.Int(u"TDTextOffset", layer.tdTextOffset);
  keys.Int(u"TDTextPos", layer.tdTextPos);
  keys.Int(u"BGradientText", layer.bGradientText);
  keys.Unsigned(u"GradientBeginColor", layer.gradientBeginColor);
  keys.Unsigned(u"GradientEndColor", layer.gradientEndColor);
  keys.Int(u"BCoverImage", layer.coverImage);
  keys.Int(u"coverImgMethod", layer.coverImgMethod);
  if (!keys.Int(u"ScaleTextWT", layer.scaleText)) layer.scaleText = 1;
  if (layer.text.isEmpty()) layer.text = QStringLiteral(" ");
}

void ReadImageKeys(KeyReader& keys, WatermarkLayer& layer) {
  keys.Text(u"ImagePathName", layer.imagePath);
  keys.Int(u"ImageLocation", layer.imageLocation);
  keys.Int(u"ImageOffsetH", layer.imageOffsetH);
  keys.Int(u"ImageOffsetV", layer.imageOffsetV);
  keys.Int(u"ImageRotation", layer.imageRotation);
  keys.Int(u"ImageTransparency", layer.imageTransparency);
  keys.Int(u"ImageWidth", layer.imageWidth);
  keys.Int(u"ImageHeight", layer.imageHeight);
  if (!keys.Int(u"ScaleImgWT", layer.scaleImage)) layer.scaleImage = 0;
}

// Appends at most one layer; a layer file that cannot be read adds none.
void LoadLayer(RenderContext& context, const QString& templatesFolder, const QString& layerName) {
  vidmora::MarkupDoc document;
  if (!document.Load(FilePath(templatesFolder, layerName))) return;
  if (!document.FindElem(u"WatermarkConf")) return;
  document.IntoElem();
  KeyReader keys(document);
  WatermarkLayer layer;

  if (document.FindElem(u"Text")) {
    document.IntoElem();
    ReadTextKeys(keys, layer);
    // Without fonts nothing can be measured (nor painted).
    if (layer.scaleText != 0 && PaintingAvailable()) FitTextToFrame(layer, context.frameRect);
    document.OutOfElem();
  }
  if (document.FindElem(u"Image")) {
    document.IntoElem();
    ReadImageKeys(keys, layer);
    document.OutOfElem();
  }
  document.OutOfElem();
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
