#pragma once

// What "auto" means for the video and audio bit rates.
//
// Auto lets the encoder choose: the video is coded in each codec's constant
// quality mode (H.264's rate factor, the MPEG-4 family's fixed quantiser,
// VP8's constrained quality), and the audio at a rate the encoder library
// chooses for its codec and channel count. The source's bit rate is not
// copied: it belongs to the source's codec, size and frame rate, it says
// nothing about the watermark the output adds, a flat or still picture
// reports a few kbit/s that leave the watermark a blur of blocks, and many
// containers (Matroska) report none at all. A quality mode gives every frame
// the bits its picture needs, whatever the probe returns.

#include "app/processing/encoding_settings.h"

#include <QString>

namespace vidmora {

// The encoder's bit-rate argument for a rate setting: the set number of
// kbit/s (1500 -> "1500k"), or "0k" (the encoder chooses) for auto.
QString BitRateArgument(const AutoOr<int>& kbps);

}  // namespace vidmora
