#pragma once

// The layers the benchmarks paint, one definition each, so that a template of
// the same name means the same picture in every benchmark.

#include "shared/template/edited_layer.h"

#include <string>
#include <vector>

namespace vidmora::bench {

// The demo template's text with the default font.
EditedLayer DemoLayer();
// A burnt-in timecode and frame number with shadow and outline, bottom left.
EditedLayer TimecodeLayer();
// The picture at `picturePath` fading in and out and drifting from the
// bottom right to the top left and back.
EditedLayer DriftingLogoLayer(const std::u16string& picturePath);
// The demo text bouncing about the frame.
EditedLayer BouncingTextLayer();

// Writes the template `name` with `layers` ("<name>_Layer 1", …) and its layer
// list into `folder`; false when a file cannot be written.
bool WriteTemplate(const std::u16string& folder, const std::u16string& name, const std::vector<EditedLayer>& layers);

}  // namespace vidmora::bench
