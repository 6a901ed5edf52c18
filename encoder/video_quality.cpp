#include "encoder/video_quality.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vencor {

namespace {

bool Named(const AVCodec& codec, const char* name) { return std::strcmp(codec.name, name) == 0; }

bool EndsWith(const AVCodec& codec, const char* tail) {
  const size_t length = std::strlen(codec.name), tailLength = std::strlen(tail);
  return length >= tailLength && std::strcmp(codec.name + length - tailLength, tail) == 0;
}

bool IsMpeg4Family(AVCodecID id) {
  return id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_MSMPEG4V3 || id == AV_CODEC_ID_MSMPEG4V2 ||
         id == AV_CODEC_ID_FLV1 || id == AV_CODEC_ID_H263 || id == AV_CODEC_ID_H263P;
}

int Scaled(int level, double factor, double offset, int lowest, int highest) {
  return std::clamp(static_cast<int>(std::lround(level * factor + offset)), lowest, highest);
}

}  // namespace

int LevelLikeSource(AVCodecID sourceCodec, double bitsPerPixel) {
  if (!(bitsPerPixel > 0) || !std::isfinite(bitsPerPixel)) return kStandardQuality;
  double efficiency = 1;  // against H.264
  switch (sourceCodec) {
    case AV_CODEC_ID_HEVC:
    case AV_CODEC_ID_VP9: efficiency = 1.6; break;
    case AV_CODEC_ID_AV1: efficiency = 2; break;
    case AV_CODEC_ID_MPEG4:
    case AV_CODEC_ID_MSMPEG4V3:
    case AV_CODEC_ID_MPEG2VIDEO:
    case AV_CODEC_ID_H263:
    case AV_CODEC_ID_FLV1:
    case AV_CODEC_ID_VP8: efficiency = 2.0 / 3; break;
    default: break;
  }
  // H.264 at its standard level spends about 0.1 bit per pixel on ordinary pictures.
  constexpr double kStandardBitsPerPixel = 0.1;
  const double asH264 = bitsPerPixel * efficiency;
  const int level = static_cast<int>(std::lround(kStandardQuality - 6 * std::log2(asH264 / kStandardBitsPerPixel)));
  return std::clamp(level, kHighQuality - 1, kSmallQuality + 2);
}

const char* SameFamilyEncoder(AVCodecID sourceCodec) {
  switch (sourceCodec) {
    case AV_CODEC_ID_HEVC: return "libx265";
    case AV_CODEC_ID_AV1: return "libsvtav1";
    default: return "libx264";
  }
}

EncoderQuality QualityFor(const AVCodec& codec, int level) {
  level = std::clamp(level, kFinestQuality, kCoarsestQuality);
  // Measured on the same pictures: x265 at CRF n+5 looks like x264 at n,
  // SVT-AV1 at about 1.25n+5, VP9 at 1.3n+3. VP8's level 10 and the MPEG-4
  // quantiser 3 are what "standard" has always given them.
  // Hardware encoders take the level as their quantiser: VAAPI's constant
  // QP, NVENC's constant-quality target, QSV's intelligent constant quality.
  if (EndsWith(codec, "_vaapi")) return {"qp", std::clamp(level, 1, 51)};
  if (EndsWith(codec, "_nvenc")) return {"cq", std::clamp(level, 1, 51)};
  if (EndsWith(codec, "_qsv")) return {"global_quality", std::clamp(level, 1, 51)};
  if (Named(codec, "libx265")) return {"crf", std::min(51, level + 5)};
  if (Named(codec, "libsvtav1")) return {"crf", Scaled(level, 1.25, 5.5, 1, 63)};
  if (Named(codec, "libvpx-vp9")) return {"crf", Scaled(level, 1.3, 3, 0, 63)};
  if (codec.id == AV_CODEC_ID_VP8) return {"crf", Scaled(level, 1, -13, 4, 63)};
  if (IsMpeg4Family(codec.id)) return {"qscale", Scaled(level, 0.2, -1.6, 2, 31)};
  return {"crf", level};  // x264 and any other encoder of that scale
}

EncoderSpeed SpeedFor(const AVCodec& codec, EncodeSpeed speed) {
  const int i = static_cast<int>(speed);  // balanced, faster, smaller
  if (Named(codec, "libx264") || Named(codec, "libx265")) {
    static const char* const kPresets[] = {"medium", "veryfast", "slow"};
    return {"preset", kPresets[i]};
  }
  if (Named(codec, "libsvtav1")) {
    static const char* const kPresets[] = {"8", "10", "5"};
    return {"preset", kPresets[i]};
  }
  if (EndsWith(codec, "_nvenc")) {
    static const char* const kPresets[] = {"p4", "p2", "p6"};
    return {"preset", kPresets[i]};
  }
  if (EndsWith(codec, "_qsv")) {
    static const char* const kPresets[] = {"medium", "veryfast", "veryslow"};
    return {"preset", kPresets[i]};
  }
  if (Named(codec, "libvpx-vp9") || Named(codec, "libvpx")) {
    static const char* const kCpuUsed[] = {"2", "5", "1"};
    return {"cpu-used", kCpuUsed[i]};
  }
  return {"", ""};
}

std::string ApplyVideoQuality(AVCodecContext& encoder, const AVCodec& codec, int level, EncodeSpeed speed,
                              AVRational frameRate) {
  std::string words;
  if (encoder.bit_rate <= 0) {
    const EncoderQuality quality = QualityFor(codec, level);
    if (std::strcmp(quality.option, "qscale") == 0) {
      encoder.flags |= AV_CODEC_FLAG_QSCALE;
      encoder.global_quality = FF_QP2LAMBDA * quality.value;
    } else if (std::strcmp(quality.option, "global_quality") == 0) {
      encoder.global_quality = quality.value;
    } else {
      av_opt_set_int(encoder.priv_data, quality.option, quality.value, 0);
    }
    if (codec.id == AV_CODEC_ID_VP8) {
      // In VP8's constrained quality mode the bit rate is a ceiling: keep it well above what the quality level needs.
      const double ceiling = static_cast<double>(encoder.width) * encoder.height * av_q2d(frameRate) * 0.3;
      encoder.bit_rate = static_cast<int64_t>(std::clamp(ceiling, 1e6, 50e6));
    }
    // libvpx-vp9 with a CRF and no bit rate codes in its constant quality mode.
    words = std::string(quality.option) + " " + std::to_string(quality.value);
  }
  const EncoderSpeed preset = SpeedFor(codec, speed);
  if (*preset.option) {
    av_opt_set(encoder.priv_data, preset.option, preset.value.c_str(), 0);
    words += (words.empty() ? "" : ", ") + std::string(preset.option) + " " + preset.value;
  }
  if (Named(codec, "libvpx-vp9")) {
    // Rows of tiles coded in parallel: the one way VP9 keeps more than one core busy.
    av_opt_set_int(encoder.priv_data, "row-mt", 1, 0);
  }
  if (Named(codec, "libx265")) av_opt_set(encoder.priv_data, "x265-params", "log-level=error", 0);
  return words;
}

}  // namespace vencor
