#pragma once

// Writes templates into a templates folder the way the application does:
// the template file lists the layers, each layer file holds a layer's values.

#include "shared/template/edited_layer.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace glyphra::test {

// The values of a new layer ("Vidmora", Arial 24, centre, rotation 30, red
// fill, scaled with the frame) with the default font.
vidmora::EditedLayer NewLayer(std::u16string_view text = u"Vidmora");

// Writes "<folder>/<layer name>.xml" for every layer (all values, font
// included) and "<folder>/<templateName>.xml" listing them in order.
void WriteTemplate(const std::filesystem::path& folder, const std::u16string& templateName,
                   const std::vector<std::pair<std::u16string, vidmora::EditedLayer>>& layers);

}  // namespace glyphra::test
