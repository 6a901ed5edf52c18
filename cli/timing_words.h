#pragma once

// A layer's timing and motion told in words, one line each, for
// `vidmora-cli templates --show NAME`. Pure; any thread.

#include "shared/template/edited_layer.h"

#include <QString>

namespace vidmora::cli {

// "shown on every frame" / "from 0:01.500 to 2.000 s before the end, ..."
QString TimingInWords(const EditedLayer& layer);
// "still" / "drifts to the bottom right and back every 4 s", ...
QString MotionInWords(const EditedLayer& layer);

}  // namespace vidmora::cli
