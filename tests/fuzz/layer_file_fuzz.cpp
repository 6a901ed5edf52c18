// Feeds arbitrary bytes to the layer file reader, as a file (LoadLayerFile,
// which parses the XML, every key and the font's byte list), and to the font
// byte-list parsers directly, which never store more than the record's 92
// bytes. Whatever a file gives is written into a new layer file and read
// again, so that the writer sees every value the reader can produce.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/log_font.h"
#include "shared/text/utf.h"

namespace {

std::string TempFolder() {
  const char* base = std::getenv("TMPDIR");
  return std::string(base && *base ? base : "/tmp");
}

std::string TempPath(const char* name) {
  return TempFolder() + "/vidmora-layer-fuzz-" + std::to_string(::getpid()) + "-" + name + ".xml";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  vidmora::LogFont font;
  if (vidmora::ParseByteList(bytes, font) > 92) std::abort();
  vidmora::LogFont fromData;
  if (vidmora::ParseFontData(vidmora::FromUtf8(bytes), fromData) > 92) std::abort();

  static const std::string path = TempPath("in");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  vidmora::EditedLayer layer;
  const bool loaded = vidmora::LoadLayerFile(vidmora::FromUtf8(path), layer);
  std::remove(path.c_str());
  if (!loaded) return 0;

  static const std::string folder = TempFolder();
  static const std::string name = "vidmora-layer-fuzz-" + std::to_string(::getpid()) + "-out";
  if (!vidmora::WriteNewLayerFile(vidmora::FromUtf8(folder), vidmora::FromUtf8(name), layer)) return 0;
  const std::string written = folder + "/" + name + ".xml";
  vidmora::EditedLayer again;
  vidmora::LoadLayerFile(vidmora::FromUtf8(written), again);
  std::remove(written.c_str());
  return 0;
}
