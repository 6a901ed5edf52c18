#pragma once

// The ffmpeg-style argument vector of dowm, read into plain values.
//
//   prog -i SOURCE [-vcodec V] [-b:v RATE] [-quality Q] [-speed S] [-r FPS] [-acodec A] [-ar HZ]
//        [-b:a RATE] [-vol N] [-aspect W:H] [-an] [-threads N] [-metadata KEY=VALUE]...
//        [-smart WINDOWS] [-target-size BYTES] [-width N] [-height N] [-enlarge]
//        [-hw auto|off|vaapi|nvenc|qsv] OUTPUT
//
// argv[0] is ignored. Numbers take the suffixes k (x1000) and M (x1000000),
// so "1500k" is 1,500,000 bit/s and "44.1k" is 44,100 Hz. A value of 0
// ("0", "0k") means "not set": the encoder's quality mode, the source's frame
// rate or sampling rate. "-r" also takes a fraction ("30000/1001"). "-vol" is
// a volume factor in 256ths (256 = unchanged, 0 = silence). "-aspect" is the
// display aspect of the output ("16:9", or a number such as 1.7777; 0 the
// source's), given by its pixel aspect. Later options win
// over earlier ones; the output path is the last argument. "-metadata" sets a
// tag of the output container (each key once; the last value wins), and
// "-threads" the most threads each codec uses (0: the codec's own choice).
// "-smart" asks to re-encode only the pictures the template's timed layers
// show on and to copy the rest: WINDOWS lists where they show
// ("START:END,...", milliseconds, as smart_plan.h's ParseWindows reads it),
// or is "every-frame" when a layer shows on every frame.
//
// "-quality" is the constant quality used without a video bit rate: a level
// 0..51 on H.264's rate-factor scale (lower is finer, 23 the default) or
// "like-source"; "-speed" is "faster", "balanced" (the default) or "smaller".
// "-width" and "-height" size the pictures written as they are shown (0:
// not set; both together make the box they fit in), their shape kept, never
// enlarged unless "-enlarge" is given.
// "-hw" asks for a hardware video encoder of the output's codec: one device
// ("vaapi", "nvenc", "qsv"), whichever works ("auto") or none ("off", the
// default); where it does not work the software encoder codes the video
// (hardware_encoder.h).
// Pure parsing: no FFmpeg, no file system.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vencor {

// The largest side "-width" and "-height" take, and pictures are scaled to.
inline constexpr int kLargestOutputSide = 16384;

struct FrameRate {
  int num = 0;  // 0 = the source's frame rate
  int den = 1;
};

// The encoder's speed preset: its default, a faster one (larger files) or a
// slower one (smaller files at the same quality).
enum class EncodeSpeed { kBalanced, kFaster, kSmaller };

// Quality levels on H.264's rate-factor scale (video_quality.h).
inline constexpr int kFinestQuality = 0;
inline constexpr int kHighQuality = 18;
inline constexpr int kStandardQuality = 23;
inline constexpr int kSmallQuality = 28;
inline constexpr int kCoarsestQuality = 51;

// Which hardware video encoder "-hw" asks for.
enum class HardwareChoice { kOff, kAuto, kVaapi, kNvenc, kQsv };

struct TranscodeOptions {
  std::string sourcePath;
  std::string outputPath;
  std::string videoCodec = "libx264";
  std::string audioCodec = "libvo_aacenc";
  int64_t videoBitRate = 0;        // bit/s; 0 = the encoder's quality mode at `quality`
  int quality = kStandardQuality;  // 0..51, lower is finer
  bool qualityLikeSource = false;  // the level is chosen from the source's bits per pixel
  bool qualitySet = false;         // "-quality" was given (a "same" codec is otherwise like the source)
  EncodeSpeed speed = EncodeSpeed::kBalanced;
  FrameRate frameRate;
  int sampleRate = 0;        // Hz; 0 = the source's
  int64_t audioBitRate = 0;  // bit/s; 0 = fitted to the codec and channels (audio_rates.h)
  int volume = 256;          // 256ths
  double displayAspect = 0;  // width:height as shown ("-aspect 16:9" or "1.7777"); 0 = the source's
  bool noAudio = false;
  int threads = 0;  // per codec; 0 = the codec's automatic threading
  std::vector<std::pair<std::string, std::string>> metadata;  // container tags, in order
  std::optional<std::string> smartWindows;                    // "-smart": the layers' windows, or kEveryFrame
  int64_t targetSize = 0;                                     // bytes of the whole output; 0 = none
  int width = 0;                                              // of the shown picture; 0 = not set
  int height = 0;
  bool enlarge = false;  // a picture smaller than width x height is scaled up to it
  HardwareChoice hardware = HardwareChoice::kOff;

  // Set by the encode itself for the passes of a target size, never parsed:
  // 1 writes the encoder's statistics to `statsPath`, 2 reads them back.
  int pass = 0;
  std::string statsPath;
};

inline constexpr const char* kEveryFrame = "every-frame";

inline constexpr int kUnchangedVolume = 256;

// The options, or nothing with `error` set to a one-line reason
// ("unknown option -x", "missing value after -b:v", "malformed number '1x' for -b:v", ...).
std::optional<TranscodeOptions> ParseArguments(int argc, const char* const* argv, std::string& error);

}  // namespace vencor
