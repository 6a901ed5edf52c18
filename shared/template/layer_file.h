#pragma once

// Layer files: "<templates folder>/<layer name>.xml", a "WatermarkConf"
// element holding a "Text" and an "Image" element with one child per key
// (shared/template/edited_layer.h gives the keys and their order).
//
// Readers and the updater look keys up with the document's forward search:
// a key is found only when it stands after the key found before it, so a key
// out of order is skipped and keeps its value. Files are written in UTF-8
// without a byte-order mark, CR LF after every element, no indentation.
//
// The functions keep no state; any thread (one call per file at a time).

#include <optional>
#include <string>
#include <string_view>

#include "shared/template/edited_layer.h"

namespace vidmora {

// Builds a new layer file from `layer` (with the default font, whatever
// `layer` holds) and saves it over "<folder>/<layerName>.xml".
// Returns whether the file was written.
bool WriteNewLayerFile(std::u16string_view folder, std::u16string_view layerName, const EditedLayer& layer);

// Which parts a layer file held.
struct LayerFileParts {
  bool root = false;   // "WatermarkConf"
  bool text = false;   // its "Text"
  bool image = false;  // its "Image"
};

// Reads a layer file into `layer`. A file that cannot be loaded or parsed
// leaves `layer` unchanged and gives nothing. A key that is not found keeps
// its value, except "ScaleTextWT" (becomes 1) and "ScaleImgWT" (becomes 0).
std::optional<LayerFileParts> ReadLayerFile(std::u16string_view path, EditedLayer& layer);

// ReadLayerFile for the editors: true when the file was read.
bool LoadLayerFile(std::u16string_view path, EditedLayer& layer);

// Updates an existing layer file from `layer`: every key found gets the
// current value; "ScaleTextWT", "ImageWidth", "ImageHeight" and "ScaleImgWT"
// are added after the last key found when missing. A file that cannot be
// loaded or parsed is not written. Returns whether the file was written.
bool SaveLayerFile(std::u16string_view path, const EditedLayer& layer);

}  // namespace vidmora
