#include "encoder/output_format.h"

#include "encoder/options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string>

namespace vencor {

namespace {

std::string LowerExtension(std::string_view path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string extension(path.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

const AVCodec* FindEncoderOfType(const char* name, AVMediaType type) {
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  return codec && codec->type == type ? codec : nullptr;
}

}  // namespace

const AVOutputFormat* MuxerForPath(std::string_view outputPath) {
  static constexpr std::array<std::pair<const char*, const char*>, 8> kMuxers = {{
      {"mp4", "mp4"},
      {"m4v", "mp4"},
      {"avi", "avi"},
      {"mkv", "matroska"},
      {"3gp", "3gp"},
      {"vp8", "webm"},
      {"webm", "webm"},
      {"mov", "mov"},
  }};
  const std::string extension = LowerExtension(outputPath);
  for (const auto& [ext, muxer] : kMuxers)
    if (extension == ext) return av_guess_format(muxer, nullptr, nullptr);
  return nullptr;
}

const AVCodec* FindVideoEncoder(std::string_view name, const AVOutputFormat* muxer) {
  const std::string wanted(name);
  if (wanted == "libxvid") {
    // FFmpeg's own MPEG-4 part 2 encoder writes the same format when the Xvid library is missing.
    if (const AVCodec* codec = FindEncoderOfType("libxvid", AVMEDIA_TYPE_VIDEO)) return codec;
    return FindEncoderOfType("mpeg4", AVMEDIA_TYPE_VIDEO);
  }
  if (wanted == "flv" && muxer && !MuxerTakes(muxer, AV_CODEC_ID_FLV1)) return FindEncoderOfType("h263", AVMEDIA_TYPE_VIDEO);
  return FindEncoderOfType(wanted.c_str(), AVMEDIA_TYPE_VIDEO);
}

const AVCodec* FindAudioEncoder(std::string_view name) {
  // The VisualOn AAC encoder left FFmpeg; its own AAC encoder replaces it.
  if (name == "libvo_aacenc" || name == "aac") return FindEncoderOfType("aac", AVMEDIA_TYPE_AUDIO);
  return FindEncoderOfType(std::string(name).c_str(), AVMEDIA_TYPE_AUDIO);
}

bool IsStreamCopy(std::string_view name) { return name == "copy"; }

bool MuxerTakes(const AVOutputFormat* muxer, AVCodecID codec) {
  return avformat_query_codec(muxer, codec, FF_COMPLIANCE_NORMAL) != 0;
}

PictureSize NearestH263Size(int width, int height) {
  static constexpr std::array<PictureSize, 5> kSizes = {{{128, 96}, {176, 144}, {352, 288}, {704, 576}, {1408, 1152}}};
  const double area = std::max(1.0, static_cast<double>(width) * height);
  PictureSize best = kSizes[0];
  double bestDistance = INFINITY;
  for (const auto& size : kSizes) {
    const double distance = std::abs(std::log(size.width * size.height / area));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = size;
    }
  }
  return best;
}

PictureSize FitInside(double aspect, PictureSize box) {
  PictureSize fit = box;
  if (aspect > static_cast<double>(box.width) / box.height) fit.height = static_cast<int>(std::lround(box.width / aspect));
  else fit.width = static_cast<int>(std::lround(box.height * aspect));
  fit.width = std::clamp(fit.width & ~1, 2, box.width);
  fit.height = std::clamp(fit.height & ~1, 2, box.height);
  return fit;
}

std::optional<PictureSize> ScaledOutputSize(double aspect, int shownHeight, int width, int height, bool enlarge) {
  if ((width <= 0 && height <= 0) || !(aspect > 0) || shownHeight <= 0) return {};
  // The width decides where it alone is set or the box is the narrower shape.
  const bool byWidth = width > 0 && (height <= 0 || width <= height * aspect);
  double scaledHeight = byWidth ? width / aspect : height;
  double scaledWidth = byWidth ? width : height * aspect;
  if (!enlarge && scaledHeight > shownHeight + 0.5) return {};
  // A side beyond the largest brings both within it.
  const double over = std::max(scaledWidth, scaledHeight) / kLargestOutputSide;
  if (over > 1) {
    scaledWidth /= over;
    scaledHeight /= over;
  }
  const auto even = [](double side) { return std::max(2, static_cast<int>(std::round(side)) & ~1); };
  return PictureSize{even(scaledWidth), even(scaledHeight)};
}

}  // namespace vencor
