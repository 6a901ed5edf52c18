#pragma once

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

namespace vidmora::test {

// A sample clip made with the ffmpeg tool from its test sources. Clips are made
// once and cached in the build folder (or VIDMORA_TEST_MEDIA), keyed by their
// arguments.
struct ClipSpec {
  int width = 320;
  int height = 240;
  int fps = 25;
  double seconds = 2.0;
  bool audio = true;
  int sampleRate = 44100;
  int channels = 2;
  std::string videoCodec = "libx264";
  std::string audioCodec = "aac";
  std::string videoBitrate;   // e.g. "1500k"; empty: the encoder's default
  std::string audioBitrate;   // e.g. "128k"
  std::string container = "mp4";
  int rotation = 0;           // display rotation stored in the file (0, 90, 180, 270)
  std::string videoSource = "testsrc2";  // lavfi source: testsrc2, color=c=gray, ...
  std::vector<std::string> extraArgs;    // appended before the output path
};

// Path of the clip; makes it when missing. Throws when the ffmpeg tool fails.
std::filesystem::path SampleClip(const ClipSpec& spec);

struct StreamInfo {
  std::string type;        // "video", "audio", ...
  std::string codec;       // codec_name
  int width = 0;
  int height = 0;
  int sampleRate = 0;
  int channels = 0;
  double frameRate = 0;    // avg_frame_rate
  long long bitRate = 0;
  int rotation = 0;        // display matrix rotation as ffprobe reports it
  bool attachedPicture = false;
  std::string colorRange;  // "tv", "pc" or empty
  std::string fieldOrder;  // "progressive", "tt", "bb", "tb", "bt" or empty
  std::string pixelFormat;   // pix_fmt, "yuv420p"
  std::string profile;       // "High", "Main", "Profile 0", ...
  std::string sampleAspect;  // "1:1", "16:15"; empty when the stream says none
  std::string colorSpace;    // "bt709", "smpte170m", ...; empty or "unknown" when untagged
};

struct ProbeResult {
  bool ok = false;          // ffprobe read the file
  std::string formatName;   // e.g. "mov,mp4,m4a,3gp,3g2,mj2"
  double duration = 0;      // seconds, from the container
  std::vector<StreamInfo> streams;
  int Count(const std::string& type) const;
  const StreamInfo* First(const std::string& type) const;
};

// Reads a file with the ffprobe tool.
ProbeResult Probe(const std::filesystem::path& file);

// Number of decoded video frames (ffprobe -count_frames).
int CountFrames(const std::filesystem::path& file);

// Decodes frame `index` (0-based; -1 = the last one) as displayed (rotation
// applied), as RGB888. Null image when it cannot be decoded.
QImage DecodeFrame(const std::filesystem::path& file, int index);

// Root mean square level of the decoded audio (mono mix, 16-bit scale 0..32767).
double AudioRms(const std::filesystem::path& file);

}  // namespace vidmora::test
