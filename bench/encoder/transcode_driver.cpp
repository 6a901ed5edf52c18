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

#include "bench/support/bench_engine.h"
#include "bench/support/bench_templates.h"
#include "draw/glyphra.h"
#include "encoder/vencor.h"
#include "shared/template/edited_layer.h"
#include "shared/template/template_files.h"
#include "shared/text/utf.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

// The template named by VIDMORA_BENCH_TEMPLATE, written as "Demo 1":
//   demo     the demo template (the default)
//   effects  shadow, outline, a logo picture and a pattern over the whole frame
//   long     a long outlined text at bottom right
//   timecode a burnt-in timecode and frame number with shadow and outline
//   timed    a logo fading in and out and drifting to the top left and back,
//            and the demo text bouncing about (two layers)
// A plain half-transparent blue picture for the layers that show one.
bool WriteLogo(const std::filesystem::path& path) {
  QImage picture(200, 120, QImage::Format_ARGB32);
  picture.fill(QColor(30, 120, 220, 180));
  return picture.save(QString::fromStdString(path.string()));
}

bool WriteDemoTemplate(const std::filesystem::path& folder, const std::string& kind) {
  std::filesystem::create_directories(folder);
  const std::u16string dir = vidmora::FromUtf8(folder.string());
  const std::filesystem::path logo = folder / "bench-logo.png";
  std::vector<vidmora::EditedLayer> layers = {vidmora::bench::DemoLayer()};
  if (kind == "effects") {
    if (!WriteLogo(logo)) return false;
    vidmora::EditedLayer& layer = layers.front();
    layer.addShadow = 1;
    layer.shadowH = 3;
    layer.shadowV = 3;
    layer.shadowAlpha = 160;
    layer.drawEdge = 1;
    layer.edgeColor = 0xFFFFFF;
    layer.edgeLineThickness = 2;
    layer.edgeAlpha = 255;
    layer.coverImage = 1;
    layer.coverImageMethod = 1;
    layer.imagePathName = vidmora::FromUtf8(logo.string());
    layer.imageLocation = 2;
    layer.imageTransparency = 70;
  } else if (kind == "long") {
    vidmora::EditedLayer& layer = layers.front();
    layer.textContent = u"Vidmora watermark: a long line of text across the bottom of the picture";
    layer.location = 8;
    layer.rotation = 0;
    layer.drawEdge = 1;
    layer.edgeColor = 0x000000;
    layer.edgeLineThickness = 2;
    layer.edgeAlpha = 255;
  } else if (kind == "timecode") {
    layers = {vidmora::bench::TimecodeLayer()};
  } else if (kind == "timed") {
    if (!WriteLogo(logo)) return false;
    layers = {vidmora::bench::DriftingLogoLayer(vidmora::FromUtf8(logo.string())), vidmora::bench::BouncingTextLayer()};
  } else if (kind != "demo") {
    return false;
  }
  const std::vector<std::u16string> templates = {u"Demo 1"};
  return vidmora::WriteNameList(vidmora::IndexFilePath(dir), vidmora::kTemplateIndex, templates) &&
         vidmora::bench::WriteTemplate(dir, u"Demo 1", layers);
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

  // The engine's start-up as the programs do it: the data folder and the
  // drawing library's templates folder.
  const std::optional<std::filesystem::path> templates = vidmora::bench::StartEngineForBenchmark();
  if (!templates) return 2;
  const char* kind = std::getenv("VIDMORA_BENCH_TEMPLATE");
  if (!WriteDemoTemplate(*templates, kind && *kind ? kind : "demo")) {
    std::fprintf(stderr, "cannot write the demo template under %s\n", templates->c_str());
    return 2;
  }
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
