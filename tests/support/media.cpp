#include "tests/support/media.h"

#include "tests/support/process.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <unistd.h>

namespace vidmora::test {

namespace fs = std::filesystem;

namespace {

// Shared by every test of the build, so a clip is made once.
fs::path MediaDir() {
  const char* dir = std::getenv("VIDMORA_TEST_MEDIA");
  fs::path out = dir && *dir ? fs::path(dir) : fs::path(VIDMORA_TEST_MEDIA_DEFAULT);
  fs::create_directories(out);
  return out;
}

std::vector<std::string> ClipArguments(const ClipSpec& spec, const fs::path& output) {
  const std::string seconds = std::to_string(spec.seconds);
  std::vector<std::string> args = {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
      spec.videoSource + (spec.videoSource.find('=') == std::string::npos ? "=" : ":") + "size=" +
          std::to_string(spec.width) + "x" + std::to_string(spec.height) +
          ":rate=" + std::to_string(spec.fps) + ":duration=" + seconds};
  if (spec.audio) {
    args.insert(args.end(), {"-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=" + std::to_string(spec.sampleRate) + ":duration=" + seconds});
  }
  args.insert(args.end(), {"-c:v", spec.videoCodec, "-pix_fmt", "yuv420p"});
  if (!spec.videoBitrate.empty()) args.insert(args.end(), {"-b:v", spec.videoBitrate});
  if (spec.audio) {
    args.insert(args.end(), {"-c:a", spec.audioCodec, "-ac", std::to_string(spec.channels)});
    if (!spec.audioBitrate.empty()) args.insert(args.end(), {"-b:a", spec.audioBitrate});
  }
  args.insert(args.end(), spec.extraArgs.begin(), spec.extraArgs.end());
  args.push_back(output.string());
  return args;
}

// The ffmpeg tool's muxer for a file extension.
std::string MuxerName(const std::string& extension) {
  if (extension == "mkv") return "matroska";
  if (extension == "vp8" || extension == "webm") return "webm";
  if (extension == "m4v") return "mp4";
  return extension;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& p : parts) out += p + '\x1f';
  return out;
}

}  // namespace

fs::path SampleClip(const ClipSpec& spec) {
  const std::string key = Join(ClipArguments(spec, "out")) + "rotate=" + std::to_string(spec.rotation);
  char name[64];
  std::snprintf(name, sizeof name, "clip-%016zx.%s", std::hash<std::string>{}(key), spec.container.c_str());
  fs::path clip = MediaDir() / name;
  if (fs::exists(clip)) return clip;

  // Made under a private name and renamed, so parallel tests never see half a clip.
  fs::path partial = MediaDir() / (std::string(name) + "." + std::to_string(getpid()) + ".part." + spec.container);
  std::vector<std::string> args = ClipArguments(spec, partial);
  args.insert(args.end() - 1, {"-f", MuxerName(spec.container)});
  ProcessResult made = RunProcess(args);
  if (made.exitCode != 0) {
    fs::remove(partial);
    throw std::runtime_error("ffmpeg could not make a sample clip: " + made.err);
  }
  if (spec.rotation != 0) {
    // The muxers of this FFmpeg write a display matrix only when the stream is copied.
    fs::path rotated = partial;
    rotated.replace_extension(".rot." + spec.container);
    ProcessResult remuxed = RunProcess({"ffmpeg", "-v", "error", "-y", "-i", partial.string(), "-c", "copy",
                                        "-metadata:s:v:0", "rotate=" + std::to_string(spec.rotation), "-f",
                                        MuxerName(spec.container), rotated.string()});
    fs::remove(partial);
    if (remuxed.exitCode != 0) {
      fs::remove(rotated);
      throw std::runtime_error("ffmpeg could not rotate a sample clip: " + remuxed.err);
    }
    partial = rotated;
  }
  fs::rename(partial, clip);
  return clip;
}

int ProbeResult::Count(const std::string& type) const {
  int n = 0;
  for (const auto& s : streams) n += s.type == type && !s.attachedPicture;
  return n;
}

const StreamInfo* ProbeResult::First(const std::string& type) const {
  for (const auto& s : streams)
    if (s.type == type && !s.attachedPicture) return &s;
  return nullptr;
}

static double ParseRate(const QString& text) {
  const auto parts = text.split('/');
  if (parts.size() == 2 && parts[1].toDouble() != 0) return parts[0].toDouble() / parts[1].toDouble();
  return text.toDouble();
}

ProbeResult Probe(const fs::path& file) {
  ProbeResult result;
  ProcessResult run = RunProcess({"ffprobe", "-v", "error", "-show_format", "-show_streams", "-of", "json",
                                  file.string()});
  if (run.exitCode != 0) return result;
  const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  result.ok = !root.isEmpty();
  const QJsonObject format = root["format"].toObject();
  result.formatName = format["format_name"].toString().toStdString();
  result.duration = format["duration"].toString().toDouble();
  for (const auto& value : root["streams"].toArray()) {
    const QJsonObject s = value.toObject();
    StreamInfo info;
    info.type = s["codec_type"].toString().toStdString();
    info.codec = s["codec_name"].toString().toStdString();
    info.width = s["width"].toInt();
    info.height = s["height"].toInt();
    info.sampleRate = s["sample_rate"].toString().toInt();
    info.channels = s["channels"].toInt();
    info.frameRate = ParseRate(s["avg_frame_rate"].toString());
    info.bitRate = s["bit_rate"].toString().toLongLong();
    info.attachedPicture = s["disposition"].toObject()["attached_pic"].toInt() != 0;
    info.colorRange = s["color_range"].toString().toStdString();
    info.fieldOrder = s["field_order"].toString().toStdString();
    info.pixelFormat = s["pix_fmt"].toString().toStdString();
    info.profile = s["profile"].toString().toStdString();
    info.sampleAspect = s["sample_aspect_ratio"].toString().toStdString();
    info.colorSpace = s["color_space"].toString().toStdString();
    for (const auto& side : s["side_data_list"].toArray()) {
      const QJsonObject sd = side.toObject();
      if (sd.contains("rotation")) info.rotation = sd["rotation"].toInt();
    }
    if (info.rotation == 0) info.rotation = s["tags"].toObject()["rotate"].toString().toInt();
    result.streams.push_back(info);
  }
  return result;
}

int CountFrames(const fs::path& file) {
  ProcessResult run = RunProcess({"ffprobe", "-v", "error", "-select_streams", "v:0", "-count_frames",
                                  "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", file.string()});
  return run.exitCode == 0 ? std::atoi(run.out.c_str()) : -1;
}

QImage DecodeFrame(const fs::path& file, int index) {
  if (index < 0) {
    const int frames = CountFrames(file);
    if (frames <= 0) return {};
    index = frames - 1;
  }
  ProbeResult info = Probe(file);
  const StreamInfo* video = info.First("video");
  if (!video) return {};
  int width = video->width, height = video->height;
  if (std::abs(video->rotation) % 180 == 90) std::swap(width, height);
  ProcessResult run = RunProcess({"ffmpeg", "-v", "error", "-i", file.string(), "-vf",
                                  "select=eq(n\\," + std::to_string(index) + ")", "-vsync", "0", "-frames:v", "1",
                                  "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  const size_t expected = static_cast<size_t>(width) * height * 3;
  if (run.exitCode != 0 || run.out.size() != expected) return {};
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y)
    std::memcpy(image.scanLine(y), run.out.data() + static_cast<size_t>(y) * width * 3, static_cast<size_t>(width) * 3);
  return image;
}

double AudioRms(const fs::path& file) {
  ProcessResult run = RunProcess({"ffmpeg", "-v", "error", "-i", file.string(), "-vn", "-ac", "1", "-f", "s16le",
                                  "-acodec", "pcm_s16le", "-"});
  if (run.exitCode != 0 || run.out.size() < 2) return 0;
  const auto* samples = reinterpret_cast<const int16_t*>(run.out.data());
  const size_t count = run.out.size() / 2;
  double sum = 0;
  for (size_t i = 0; i < count; ++i) sum += static_cast<double>(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(count));
}

}  // namespace vidmora::test
