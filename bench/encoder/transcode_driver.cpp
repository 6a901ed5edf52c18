// Runs one encode through libvencor.so the way the application does: a
// QGuiApplication (offscreen) for painting, the demo template written into
// the templates folder, the drawing library prepared with purpose 2, then
// dowm with the given argument vector.
//
//   vencor_transcode_driver WIDTH HEIGHT -i SOURCE ... OUTPUT
//
// WIDTH x HEIGHT is the source's displayed frame size. Templates go to
// $XDG_DATA_HOME/Vidmora/templates (the caller points XDG_DATA_HOME at a
// scratch folder). Exit status: dowm's result.

#include "draw/glyphra.h"
#include "encoder/vencor.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"
#include "shared/text/utf.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool WriteDemoTemplate(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::u16string dir = vidmora::FromUtf8(folder.string());
  const std::vector<std::u16string> templates = {u"Demo 1"}, layers = {u"Demo 1_Layer 1"};
  vidmora::EditedLayer layer;
  vidmora::ApplyNewLayerValues(layer, vidmora::kDemoLayerText);
  return vidmora::WriteNameList(vidmora::IndexFilePath(dir), vidmora::kTemplateIndex, templates) &&
         vidmora::WriteNameList(vidmora::NamedFilePath(dir, u"Demo 1"), vidmora::kLayerList, layers) &&
         vidmora::WriteNewLayerFile(dir, u"Demo 1_Layer 1", layer);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT -i SOURCE ... OUTPUT\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;  // the encoder's options are not Qt's
  QGuiApplication app(qtArgc, argv);

  const char* dataHome = std::getenv("XDG_DATA_HOME");
  const std::filesystem::path data = dataHome && *dataHome ? std::filesystem::path(dataHome)
                                                           : std::filesystem::path(std::getenv("HOME")) / ".local/share";
  if (!WriteDemoTemplate(data / "Vidmora" / "templates")) {
    std::fprintf(stderr, "cannot write the demo template under %s\n", data.c_str());
    return 2;
  }
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  if (PrepareWMForDrawlixDll(u"Demo 1", std::atoi(argv[1]), std::atoi(argv[2]), 2) != 0) {
    std::fprintf(stderr, "the drawing library cannot load the demo template\n");
    return 2;
  }
  std::vector<char*> vector = {argv[0]};
  vector.insert(vector.end(), argv + 3, argv + argc);
  vector.push_back(nullptr);
  const int result = dowm(static_cast<int>(vector.size()) - 1, vector.data());
  if (result != VENCOR_OK) std::fprintf(stderr, "dowm failed (%d): %s\n", result, vencor_last_error());
  return result;
}
