#pragma once

// The "-smart" argument of the encoder for a template: where its layers show
// in a clip, so that the encoder re-encodes only the pictures there and
// copies the rest. Pure functions on layer values, and one that reads a
// template's layers; any thread.

#include "shared/template/edited_layer.h"

#include <QString>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vidmora {

// The encoder's value that says a layer shows on every frame.
inline constexpr const char* kEveryFrameWindows = "every-frame";

// "START:END,..." in milliseconds from the clip's start (END empty: to the
// end; negative: counted back from the end), one window per layer, or per
// showing of a repeated layer with an end; kEveryFrameWindows when a layer
// shows from the start to the end (no timing at all). A repeated layer
// without an end counts as one window from its start to the end. Layers
// that paint nothing (no text, no picture) show nowhere.
std::string SmartWindowsArgument(std::span<const EditedLayer> layers);

// The layers of the template `name` in `templatesFolder`, in order; nothing
// when its file or one of its layer files cannot be read.
std::optional<std::vector<EditedLayer>> ReadTemplateLayers(const QString& templatesFolder, const QString& name);

}  // namespace vidmora
