// The engine's argument vector, read back by the encoder library's own parser:
// for every container, every codec it offers and every value the settings page
// lists (and the largest values the profile accepts), the encoder must read
// the settings the engine meant and find an encoder and a muxer for them.

#include "app/processing/encoder_arguments.h"
#include "encoder/options.h"
#include "encoder/output_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace vidmora {
namespace {

struct Case {
  std::string name;
  EncodingSettings settings;
};

// One case per container and codec pair, each with one value list stepped
// through in turn, so that every listed value is sent at least once.
std::vector<Case> Cases() {
  struct ValueList {
    const char* name;
    QStringList values;
    std::function<bool(EncodingSettings&, const QString&)> set;
  };
  const std::vector<ValueList> lists = {
      {"video bit rate", VideoBitrateChoices(),
       [](EncodingSettings& s, const QString& v) { return ParseAutoOr(v, s.videoBitrateKbps); }},
      {"frame rate", FrameRateChoices(),
       [](EncodingSettings& s, const QString& v) { return ParseAutoOr(v, s.frameRate); }},
      {"aspect", AspectChoices(),
       [](EncodingSettings& s, const QString& v) {
         s.aspect = v;
         return true;
       }},
      {"sampling rate", SampleRateChoices(),
       [](EncodingSettings& s, const QString& v) { return ParseAutoOr(v, s.sampleRateKhz); }},
      {"audio bit rate", AudioBitrateChoices(),
       [](EncodingSettings& s, const QString& v) { return ParseAutoOr(v, s.audioBitrateKbps); }},
      {"volume", VolumeChoices(), [](EncodingSettings& s, const QString& v) { return ParseAutoOr(v, s.volume); }},
      {"quality",
       {"auto", "like-source", "high", "standard", "small", "0", "51"},
       [](EncodingSettings& s, const QString& v) { return ParseQuality(v, s.quality, s.qualityLevel); }},
      {"target size",
       {"none", "0.4", "25", "10000000"},
       [](EncodingSettings& s, const QString& v) { return ParseTargetSize(v, s.targetSizeMb); }},
      {"speed",
       {"balanced", "faster", "smaller"},
       [](EncodingSettings& s, const QString& v) {
         s.speed = SpeedFromWord(v).value_or(SpeedChoice::kBalanced);
         return SpeedFromWord(v).has_value();
       }},
      {"hardware",
       {"off", "auto", "vaapi", "nvenc", "qsv"},
       [](EncodingSettings& s, const QString& v) {
         s.hardware = HardwareFromWord(v).value_or(HardwareChoice::kOff);
         return HardwareFromWord(v).has_value();
       }},
  };
  std::vector<Case> cases;
  for (const ContainerInfo& container : Containers()) {
    std::vector<AudioCodec> audioCodecs(container.audioCodecs.begin(), container.audioCodecs.end());
    audioCodecs.push_back(AudioCodec::kCopy);
    for (const VideoCodec video : container.videoCodecs) {
      for (const AudioCodec audio : audioCodecs) {
        for (const ValueList& list : lists) {
          for (const QString& value : list.values) {
            EncodingSettings settings;
            settings.container = container.container;
            settings.videoCodec = video;
            settings.audioCodec = audio;
            EXPECT_TRUE(list.set(settings, value.compare("Auto", Qt::CaseInsensitive) == 0 ? "auto" : value))
                << list.name << " " << value.toStdString();
            cases.push_back({std::string(container.text) + "/" + Info(video).text + "/" + Info(audio).text + ", " +
                                 list.name + " " + value.toStdString(),
                             settings});
          }
        }
        EncodingSettings largest;
        largest.container = container.container;
        largest.videoCodec = video;
        largest.audioCodec = audio;
        largest.videoBitrateKbps = 10'000'000;
        largest.frameRate = 1000;
        largest.sampleRateKhz = 768;
        largest.audioBitrateKbps = 10'000'000;
        largest.volume = 256 * 256;
        largest.aspect = "10:1";
        largest.disableAudio = true;
        largest.quality = QualityChoice::kLevel;  // not sent: a bit rate is set
        largest.qualityLevel = 51;
        largest.targetSizeMb = 1e7;    // not sent either
        largest.outputWidth = 100000;  // the Resize settings take it; sent as the encoder's largest
        largest.outputHeight = 16384;
        largest.enlargeOutput = true;
        cases.push_back({std::string(container.text) + "/" + Info(video).text + "/" + Info(audio).text +
                             ", the largest values, audio disabled",
                         largest});
      }
    }
  }
  return cases;
}

// The display aspect the engine means by a settings text; 0 for the source's.
double MeantAspect(const QString& text) {
  if (text.compare("auto", Qt::CaseInsensitive) == 0) return 0;
  const QStringList parts = text.split(':');
  return parts.size() == 2 ? parts[0].toDouble() / parts[1].toDouble() : text.toDouble();
}

static_assert(kLargestOutputSide == vencor::kLargestOutputSide, "the sides sent are the sides read");

TEST(EncoderRoundTrip, EveryChoiceTheEngineSendsReadsBackAsTheSameSettings) {
  const QString source = QString::fromUtf8("/vidéos/clip one.mov");
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const EncodingSettings& s = c.settings;
    const QString output = QString::fromUtf8("/sortie/clip one_new") + Info(s.container).extension;
    const std::vector<std::string> arguments = BuildEncoderArguments(source, output, s);
    std::vector<const char*> argv;
    argv.reserve(arguments.size());
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    std::string error;
    const std::optional<vencor::TranscodeOptions> read =
        vencor::ParseArguments(static_cast<int>(argv.size()), argv.data(), error);
    ASSERT_TRUE(read) << error;

    EXPECT_EQ(read->sourcePath, source.toStdString());
    EXPECT_EQ(read->outputPath, output.toStdString());
    EXPECT_EQ(read->videoCodec, Info(s.videoCodec).encoderName);
    EXPECT_EQ(read->audioCodec, Info(s.audioCodec).encoderName);
    EXPECT_EQ(read->videoBitRate, int64_t{s.videoBitrateKbps.value_or(0)} * 1000);
    EXPECT_EQ(read->audioBitRate, int64_t{s.audioBitrateKbps.value_or(0)} * 1000);
    EXPECT_EQ(read->sampleRate, std::lround(s.sampleRateKhz.value_or(0) * 1000));
    EXPECT_EQ(read->volume, s.volume.value_or(kUnchangedVolume));
    EXPECT_EQ(read->noAudio, s.disableAudio);
    EXPECT_EQ(read->width, std::min(s.outputWidth, kLargestOutputSide));
    EXPECT_EQ(read->height, std::min(s.outputHeight, kLargestOutputSide));
    EXPECT_EQ(read->enlarge, s.enlargeOutput);
    EXPECT_NEAR(read->displayAspect, MeantAspect(s.aspect), 1e-9);
    // The quality reaches the encoder while the bit rate is auto, as the level it names.
    // A target size instead of the quality; a set bit rate wins over both.
    const bool targetSent = !s.videoBitrateKbps && s.targetSizeMb;
    EXPECT_EQ(read->targetSize, targetSent ? std::llround(*s.targetSizeMb * 1e6) : 0);
    const bool qualitySent = !s.videoBitrateKbps && !targetSent && s.quality != QualityChoice::kAuto;
    EXPECT_EQ(read->qualitySet, qualitySent);
    EXPECT_EQ(read->qualityLikeSource, qualitySent && s.quality == QualityChoice::kLikeSource);
    if (qualitySent && s.quality != QualityChoice::kLikeSource) {
      EXPECT_EQ(read->quality, s.quality == QualityChoice::kLevel ? s.qualityLevel : Info(s.quality).level);
    }
    EXPECT_STREQ(Info(s.speed).word, read->speed == vencor::EncodeSpeed::kFaster    ? "faster"
                                     : read->speed == vencor::EncodeSpeed::kSmaller ? "smaller"
                                                                                    : "balanced");
    using vencor::HardwareChoice;
    EXPECT_STREQ(Info(s.hardware).word, read->hardware == HardwareChoice::kAuto    ? "auto"
                                        : read->hardware == HardwareChoice::kVaapi ? "vaapi"
                                        : read->hardware == HardwareChoice::kNvenc ? "nvenc"
                                        : read->hardware == HardwareChoice::kQsv   ? "qsv"
                                                                                   : "off");
    if (s.frameRate) {
      ASSERT_GT(read->frameRate.num, 0);
      EXPECT_NEAR(static_cast<double>(read->frameRate.num) / read->frameRate.den, *s.frameRate, 1e-3);
    } else {
      EXPECT_EQ(read->frameRate.num, 0);
    }

    // The names the engine sends stand for encoders this FFmpeg has, in a
    // muxer that stores them.
    const AVOutputFormat* muxer = vencor::MuxerForPath(read->outputPath);
    ASSERT_NE(muxer, nullptr);
    // "same" stands for the encoder of the source's family, at worst H.264.
    const AVCodec* video = vencor::FindVideoEncoder(read->videoCodec == "same" ? "libx264" : read->videoCodec, muxer);
    ASSERT_NE(video, nullptr) << read->videoCodec;
    EXPECT_TRUE(vencor::MuxerTakes(muxer, video->id)) << video->name << " in " << muxer->name;
    if (!vencor::IsStreamCopy(read->audioCodec)) {
      const AVCodec* audio = vencor::FindAudioEncoder(read->audioCodec);
      ASSERT_NE(audio, nullptr) << read->audioCodec;
      EXPECT_TRUE(vencor::MuxerTakes(muxer, audio->id)) << audio->name << " in " << muxer->name;
    }
  }
}

}  // namespace
}  // namespace vidmora
