#include "tests/draw/template_fixture.h"

#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <stdexcept>

namespace glyphra::test {

vidmora::EditedLayer NewLayer(std::u16string_view text) {
  vidmora::EditedLayer layer;
  vidmora::ApplyNewLayerValues(layer, text);
  layer.font = vidmora::DefaultLogFont();
  return layer;
}

void WriteTemplate(const std::filesystem::path& folder, const std::u16string& templateName,
                   const std::vector<std::pair<std::u16string, vidmora::EditedLayer>>& layers) {
  std::filesystem::create_directories(folder);
  const std::u16string root = folder.u16string();
  std::vector<std::u16string> names;
  for (const auto& [name, layer] : layers) {
    // A new file gets the default font; the update writes every value.
    if (!vidmora::WriteNewLayerFile(root, name, layer) ||
        !vidmora::SaveLayerFile(vidmora::NamedFilePath(root, name), layer)) {
      throw std::runtime_error("cannot write a layer file");
    }
    names.push_back(name);
  }
  if (!vidmora::WriteNameList(vidmora::NamedFilePath(root, templateName), vidmora::kLayerList, names)) {
    throw std::runtime_error("cannot write a template file");
  }
}

}  // namespace glyphra::test
