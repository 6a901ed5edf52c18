#pragma once

// Rates that an encoder refuses outright, caught where the user chooses them
// instead of failing every file of the next batch. The Vorbis encoder accepts
// only a band of managed bit rates at each sampling rate (measured with
// libvorbis for stereo, the common case); above it the encoder cannot be set
// up. MP3 and AAC take every listed combination (LAME lowers a bit rate
// its MPEG version cannot carry by itself). Pure; any thread.

#include <QString>

namespace vidmora {

struct EncodingSettings;

// Lowers a chosen audio bit rate that the chosen audio codec refuses at the
// chosen sample rate to the highest listed rate it takes. Returns one line for
// the user saying what was changed and why; empty when nothing was.
QString FitRatesToCodec(EncodingSettings& settings);

}  // namespace vidmora
