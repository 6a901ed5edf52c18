#pragma once

// What the output file is made of: the muxer chosen by the output's
// extension, the FFmpeg encoders that stand for the codec names the
// application sends, and the picture sizes plain H.263 allows.

#include <optional>
#include <string>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace vencor {

// The muxer for an output path by its extension (case ignored): .mp4 and .m4v
// "mp4", .avi "avi", .mkv "matroska", .3gp "3gp", .vp8 and .webm "webm",
// .mov "mov".
// Null for any other extension.
const AVOutputFormat* MuxerForPath(std::string_view outputPath);

// The encoder that stands for a video codec name of the application
// ("libx264", "libx265", "libsvtav1", "libvpx-vp9", "libxvid", "msmpeg4",
// "flv", "libvpx") or an FFmpeg encoder
// name. When the muxer cannot hold Sorenson H.263 ("flv"), plain "h263" is
// chosen. Null when this FFmpeg has none.
const AVCodec* FindVideoEncoder(std::string_view name, const AVOutputFormat* muxer);

// The same for audio ("libvo_aacenc" and "aac" give FFmpeg's AAC encoder,
// "libmp3lame", "libvorbis", "libopus", "flac"). "copy" is not an encoder: callers test
// IsStreamCopy first.
const AVCodec* FindAudioEncoder(std::string_view name);
bool IsStreamCopy(std::string_view name);

// True when the muxer can store the codec (avformat_query_codec; "unknown"
// counts as yes, the muxer then decides when the header is written).
bool MuxerTakes(const AVOutputFormat* muxer, AVCodecID codec);

struct PictureSize {
  int width = 0;
  int height = 0;
};

// The H.263 picture size (128x96, 176x144, 352x288, 704x576, 1408x1152)
// nearest in area to width x height.
PictureSize NearestH263Size(int width, int height);

// The largest size of the given aspect (width:height, > 0) that fits inside
// `box`, both sides even.
PictureSize FitInside(double aspect, PictureSize box);

// The size a picture shown `shownHeight` pixels high at `aspect`
// (width:height, > 0) is written at for an output size of width x height
// (0: not set): a width alone, a height alone, or the box both make. The
// shape is kept and both sides are even (2 at least, kLargestOutputSide of
// options.h at most). Nothing when no size is set, or, unless `enlarge`, when the picture
// is smaller than the size asked: it keeps its own.
std::optional<PictureSize> ScaledOutputSize(double aspect, int shownHeight, int width, int height, bool enlarge);

}  // namespace vencor
