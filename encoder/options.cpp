#include "encoder/options.h"

#include "encoder/smart_plan.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string_view>

namespace vencor {

namespace {

constexpr double kMaxBitRate = 10e9;  // 10 Gbit/s: beyond any encoder here
constexpr double kMaxFrameRate = 1000;
constexpr double kMaxSampleRate = 768000;
constexpr int kMaxVolume = 256 * 256;
constexpr double kMinAspect = 0.1;  // display aspects a picture can sensibly have
constexpr double kMaxAspect = 10;
constexpr double kMaxTargetSize = 1e13;  // 10 TB

// A non-negative decimal number with an optional k or M suffix; nothing for
// anything else (signs, blanks, exponents, "inf").
std::optional<double> ParseScaled(std::string_view text) {
  double scale = 1;
  if (!text.empty() && (text.back() == 'k' || text.back() == 'K')) {
    scale = 1e3;
    text.remove_suffix(1);
  } else if (!text.empty() && text.back() == 'M') {
    scale = 1e6;
    text.remove_suffix(1);
  }
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) return {};
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return {};
  return value * scale;
}

std::optional<FrameRate> ParseFrameRate(std::string_view text) {
  if (const auto slash = text.find('/'); slash != std::string_view::npos) {
    int num = 0, den = 0;
    const auto* numEnd = text.data() + slash;
    const auto [p1, e1] = std::from_chars(text.data(), numEnd, num);
    const auto [p2, e2] = std::from_chars(numEnd + 1, text.data() + text.size(), den);
    if (e1 != std::errc() || p1 != numEnd || e2 != std::errc() || p2 != text.data() + text.size()) return {};
    if (num < 0 || den <= 0 || static_cast<double>(num) / den > kMaxFrameRate) return {};
    if (num == 0) return FrameRate{};
    const int divisor = std::gcd(num, den);
    return FrameRate{num / divisor, den / divisor};
  }
  if (!text.empty() && (text.back() == 'k' || text.back() == 'K' || text.back() == 'M')) return {};
  const auto value = ParseScaled(text);
  if (!value || *value > kMaxFrameRate) return {};
  if (*value == 0) return FrameRate{};
  // The NTSC family (23.976, 29.97, 59.94) is N*1000/1001 exactly, as players expect.
  const double ntsc = *value * 1001 / 1000;
  if (std::round(ntsc) >= 1 && std::abs(ntsc - std::round(ntsc)) < 0.01 && std::abs(*value - std::round(*value)) > 1e-9)
    return FrameRate{static_cast<int>(std::lround(ntsc)) * 1000, 1001};
  const int num = static_cast<int>(std::lround(*value * 1000));
  if (num == 0) return {};
  const int divisor = std::gcd(num, 1000);
  return FrameRate{num / divisor, 1000 / divisor};
}

std::optional<int> ParseVolume(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0 || value > kMaxVolume) return {};
  return value;
}

// "16:9" or "1.7777"; 0 means the source's.
std::optional<double> ParseAspect(std::string_view text) {
  double aspect = 0;
  if (const auto colon = text.find(':'); colon != std::string_view::npos) {
    int width = 0, height = 0;
    const auto* widthEnd = text.data() + colon;
    const auto [p1, e1] = std::from_chars(text.data(), widthEnd, width);
    const auto [p2, e2] = std::from_chars(widthEnd + 1, text.data() + text.size(), height);
    if (e1 != std::errc() || p1 != widthEnd || e2 != std::errc() || p2 != text.data() + text.size()) return {};
    if (width <= 0 || height <= 0) return {};
    aspect = static_cast<double>(width) / height;
  } else {
    if (!text.empty() && (text.back() == 'k' || text.back() == 'K' || text.back() == 'M')) return {};
    const auto value = ParseScaled(text);
    if (!value) return {};
    if (*value == 0) return 0.0;
    aspect = *value;
  }
  if (aspect < kMinAspect || aspect > kMaxAspect) return {};
  return aspect;
}

bool TakesValue(std::string_view option) {
  return option == "-i" || option == "-vcodec" || option == "-b:v" || option == "-r" || option == "-acodec" ||
         option == "-ar" || option == "-b:a" || option == "-vol" || option == "-aspect" || option == "-threads" ||
         option == "-metadata" || option == "-smart" || option == "-quality" || option == "-speed" ||
         option == "-target-size" || option == "-width" || option == "-height" || option == "-hw";
}

}  // namespace

std::optional<TranscodeOptions> ParseArguments(int argc, const char* const* argv, std::string& error) {
  TranscodeOptions options;
  bool haveSource = false;
  for (int i = 1; i < argc; ++i) {
    if (!argv[i]) {
      error = "argument " + std::to_string(i) + " is missing";
      return {};
    }
    const std::string_view arg = argv[i];
    if (arg.size() < 2 || arg.front() != '-') {
      if (i != argc - 1) {
        error = "unexpected argument '" + std::string(arg) + "' (the output path comes last)";
        return {};
      }
      if (arg.empty()) {
        error = "the output path is empty";
        return {};
      }
      options.outputPath = arg;
      continue;
    }
    if (arg == "-an") {
      options.noAudio = true;
      continue;
    }
    if (arg == "-enlarge") {
      options.enlarge = true;
      continue;
    }
    if (!TakesValue(arg)) {
      error = "unknown option " + std::string(arg);
      return {};
    }
    if (i + 1 >= argc || !argv[i + 1]) {
      error = "missing value after " + std::string(arg);
      return {};
    }
    const std::string_view value = argv[++i];
    const auto malformed = [&] {
      error = "malformed value '" + std::string(value) + "' for " + std::string(arg);
      return std::nullopt;
    };
    if (arg == "-i") {
      if (value.empty()) {
        error = "the source path is empty";
        return {};
      }
      options.sourcePath = value;
      haveSource = true;
    } else if (arg == "-vcodec" || arg == "-acodec") {
      if (value.empty()) return malformed();
      (arg == "-vcodec" ? options.videoCodec : options.audioCodec) = value;
    } else if (arg == "-b:v" || arg == "-b:a") {
      const auto rate = ParseScaled(value);
      if (!rate || *rate > kMaxBitRate) return malformed();
      (arg == "-b:v" ? options.videoBitRate : options.audioBitRate) = std::llround(*rate);
    } else if (arg == "-r") {
      const auto rate = ParseFrameRate(value);
      if (!rate) return malformed();
      options.frameRate = *rate;
    } else if (arg == "-ar") {
      const auto rate = ParseScaled(value);
      if (!rate || *rate > kMaxSampleRate) return malformed();
      options.sampleRate = static_cast<int>(std::lround(*rate));
    } else if (arg == "-aspect") {
      const auto aspect = ParseAspect(value);
      if (!aspect) return malformed();
      options.displayAspect = *aspect;
    } else if (arg == "-metadata") {
      const auto equals = value.find('=');
      if (equals == 0 || equals == std::string_view::npos) return malformed();
      const std::string key(value.substr(0, equals));
      std::erase_if(options.metadata, [&](const auto& tag) { return tag.first == key; });
      options.metadata.emplace_back(key, std::string(value.substr(equals + 1)));
    } else if (arg == "-smart") {
      if (value != kEveryFrame && !ParseWindows(std::string(value), 0)) return malformed();
      options.smartWindows = std::string(value);
    } else if (arg == "-quality") {
      options.qualitySet = true;
      if (value == "like-source") {
        options.qualityLikeSource = true;
      } else {
        const auto level = ParseVolume(value);  // a plain whole number
        if (!level || *level > kCoarsestQuality) return malformed();
        options.quality = *level;
        options.qualityLikeSource = false;
      }
    } else if (arg == "-speed") {
      if (value == "balanced") options.speed = EncodeSpeed::kBalanced;
      else if (value == "faster") options.speed = EncodeSpeed::kFaster;
      else if (value == "smaller") options.speed = EncodeSpeed::kSmaller;
      else return malformed();
    } else if (arg == "-hw") {
      if (value == "off") options.hardware = HardwareChoice::kOff;
      else if (value == "auto") options.hardware = HardwareChoice::kAuto;
      else if (value == "vaapi") options.hardware = HardwareChoice::kVaapi;
      else if (value == "nvenc") options.hardware = HardwareChoice::kNvenc;
      else if (value == "qsv") options.hardware = HardwareChoice::kQsv;
      else return malformed();
    } else if (arg == "-target-size") {
      const auto size = ParseScaled(value);
      if (!size || *size > kMaxTargetSize) return malformed();
      options.targetSize = std::llround(*size);
    } else if (arg == "-width" || arg == "-height") {
      const auto side = ParseVolume(value);  // a plain whole number
      if (!side || *side > kLargestOutputSide) return malformed();
      (arg == "-width" ? options.width : options.height) = *side;
    } else if (arg == "-threads") {
      const auto threads = ParseVolume(value);  // a plain whole number
      if (!threads || *threads > 256) return malformed();
      options.threads = *threads;
    } else {  // -vol
      const auto volume = ParseVolume(value);
      if (!volume) return malformed();
      options.volume = *volume;
    }
  }
  if (!haveSource) {
    error = "no source given (-i)";
    return {};
  }
  if (options.outputPath.empty()) {
    error = "no output path given";
    return {};
  }
  return options;
}

}  // namespace vencor
