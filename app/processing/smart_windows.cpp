#include "app/processing/smart_windows.h"

#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <algorithm>

namespace vidmora {

namespace {

// More showings than this of a repeated layer are one window: the encoder
// would re-encode nearly all of it anyway.
constexpr int kMaxShowings = 200;

std::string Window(int64_t start, int64_t end) {
  return std::to_string(start) + ":" + (end == 0 ? std::string() : std::to_string(end));
}

}  // namespace

std::string SmartWindowsArgument(std::span<const EditedLayer> layers) {
  std::string windows;
  const auto add = [&windows](const std::string& window) { windows += (windows.empty() ? "" : ",") + window; };
  for (const EditedLayer& layer : layers) {
    if (layer.textContent.empty() && layer.imagePathName.empty()) continue;
    const int64_t start = std::max(0, layer.startTime);
    const int64_t end = layer.endTime;
    if (start == 0 && end == 0 && layer.repeatEvery <= 0) return kEveryFrameWindows;
    if (layer.repeatEvery > 0 && end > start && (end - start) / layer.repeatEvery < kMaxShowings) {
      const int64_t shown = layer.showFor > 0 ? std::min(layer.showFor, layer.repeatEvery) : layer.repeatEvery;
      for (int64_t from = start; from < end; from += layer.repeatEvery) add(Window(from, std::min(end, from + shown)));
      continue;
    }
    if (start == 0 && end == 0) return kEveryFrameWindows;  // repeated from the start, to the end
    add(Window(start, end));
  }
  return windows;
}

std::optional<std::vector<EditedLayer>> ReadTemplateLayers(const QString& templatesFolder, const QString& name) {
  const std::u16string folder = templatesFolder.toStdU16String();
  const std::optional<std::vector<ListedLayer>> listed = ReadLayerList(NamedFilePath(folder, name.toStdU16String()));
  if (!listed) return std::nullopt;
  std::vector<EditedLayer> layers;
  for (const ListedLayer& entry : *listed) {
    EditedLayer layer;
    if (!ReadLayerFile(NamedFilePath(folder, entry.file), layer)) return std::nullopt;
    layers.push_back(layer);
  }
  return layers;
}

}  // namespace vidmora
