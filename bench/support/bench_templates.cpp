#include "bench/support/bench_templates.h"

#include "shared/template/layer_file.h"
#include "shared/template/log_font.h"
#include "shared/template/template_files.h"

namespace vidmora::bench {

EditedLayer DemoLayer() {
  EditedLayer layer;
  ApplyNewLayerValues(layer, kDemoLayerText);
  layer.font = DefaultLogFont();
  return layer;
}

EditedLayer TimecodeLayer() {
  EditedLayer layer = DemoLayer();
  layer.textContent = u"TC {timecode}  #{frame}";
  layer.rotation = 0;
  layer.location = 6;
  layer.addShadow = 1;
  layer.drawEdge = 1;
  layer.edgeLineThickness = 2;
  layer.edgeAlpha = 255;
  return layer;
}

EditedLayer DriftingLogoLayer(const std::u16string& picturePath) {
  EditedLayer layer = DemoLayer();
  layer.textContent.clear();
  layer.imagePathName = picturePath;
  layer.imageLocation = 8;
  layer.imageTransparency = 80;
  layer.fadeIn = 1000;
  layer.fadeOut = 1000;
  layer.motionKind = 1;
  layer.motionToLocation = 0;
  layer.motionPeriod = 8000;
  return layer;
}

EditedLayer BouncingTextLayer() {
  EditedLayer layer = DemoLayer();
  layer.rotation = 0;
  layer.motionKind = 2;
  layer.motionSpeed = 10;
  return layer;
}

bool WriteTemplate(const std::u16string& folder, const std::u16string& name, const std::vector<EditedLayer>& layers) {
  std::vector<std::u16string> names;
  for (const EditedLayer& layer : layers) {
    names.push_back(name + u"_Layer " + std::u16string(1, static_cast<char16_t>(u'1' + names.size())));
    if (!WriteNewLayerFile(folder, names.back(), layer) || !SaveLayerFile(NamedFilePath(folder, names.back()), layer))
      return false;
  }
  return WriteNameList(NamedFilePath(folder, name), kLayerList, names);
}

}  // namespace vidmora::bench
