#pragma once

// The constant quality each video encoder is given when no bit rate is set,
// and the speed it works at. The caller says a level on one scale, the one
// H.264's rate factor uses (0 finest .. 51 coarsest; 18 "high", 23
// "standard", 28 "small"), and each encoder gets what looks about the same
// on its own scale: x265's rate factor, SVT-AV1's and VP9's CRF (VP9 with no
// bit rate, its pure quality mode), VP8's constrained quality, the MPEG-4
// family's fixed quantiser; for the hardware encoders VAAPI's constant QP,
// NVENC's constant-quality target and QSV's global quality, all on the
// level's own scale. Pure mapping; the encoders are set in
// ApplyVideoQuality.

#include "encoder/options.h"

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace vencor {

// The level on the encoder's own scale: {"crf", 28} for libx265 at 23. For
// encoders without a quality scale of their own (none here) the name is empty.
struct EncoderQuality {
  // The encoder's option, "qscale" for the MPEG-4 family's quantiser or
  // "global_quality" for the context's field of that name.
  const char* option;
  int value;
};
EncoderQuality QualityFor(const AVCodec& codec, int level);

// The encoder's speed preset for a choice: {"preset", "veryfast"} for x264
// faster. An empty option when the encoder has none.
struct EncoderSpeed {
  const char* option;
  std::string value;
};
EncoderSpeed SpeedFor(const AVCodec& codec, EncodeSpeed speed);

// The level that keeps about the source's detail: its bits per pixel
// (bits per second over width x height x frames per second), weighed by how
// much its codec packs into a bit against H.264 (HEVC and VP9 about 1.6
// times, AV1 twice, the MPEG-4 family two thirds), on the rule that six
// levels halve or double the bits; kept within high-1 .. small+2, standard
// when the source's rate is unknown (0).
int LevelLikeSource(AVCodecID sourceCodec, double bitsPerPixel);

// The encoder that keeps a source's codec family for the codec choice
// "same": libx264 for H.264, libx265 for HEVC, libsvtav1 for AV1, libx264
// for everything else.
const char* SameFamilyEncoder(AVCodecID sourceCodec);

// Sets quality (when bitRate is 0), speed and the encoder's threading and
// logging options on a context about to be opened. `frameRate` sizes VP8's
// ceiling. Returns the words for the summary: "crf 28, preset medium".
std::string ApplyVideoQuality(AVCodecContext& encoder, const AVCodec& codec, int level, EncodeSpeed speed,
                              AVRational frameRate);

}  // namespace vencor
