#include "app/processing/transcode_job.h"

#include "app/processing/encoder_arguments.h"
#include "app/processing/media_probe.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/smart_windows.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include "tests/app/engine_fixture.h"
#include "tests/support/media.h"

#include <QFileInfo>

#include <filesystem>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// Records what a job reports, in order.
class RecordingListener : public JobListener {
 public:
  void OutputPathChosen(const QString& path) override { events << "path:" + path; }
  void EncodeStarted() override { events << "started"; }
  bool EncodeProgressed(const EncodeProgress& progress) override {
    lastFraction = progress.fraction;
    return !stop;
  }
  QStringList events;
  double lastFraction = -1;
  bool stop = false;
};

using TranscodeJobTest = EngineTest;

// Everything that makes a file what it is for its owner: bytes and time.
struct FileState {
  std::string bytes;
  fs::file_time_type modified;
  bool operator==(const FileState&) const = default;
};
FileState StateOf(const QString& path) { return {ReadFile(Fs(path)), fs::last_write_time(Fs(path))}; }

TEST_F(TranscodeJobTest, WritesBesideTheSourceUnderItsNameWithTheWatermark) {
  ClipSpec spec = SmallClip();
  spec.container = "avi";
  spec.videoCodec = "mpeg4";
  spec.audioCodec = "libmp3lame";
  spec.videoSource = "color=c=gray";
  const QString source = MakeSource("clip.avi", spec);
  RecordingListener listener;
  // A flat grey source has a tiny bit rate, which "auto" would copy.
  JobSettings settings = Settings(0);
  settings.encoding.videoBitrateKbps = 1000;

  const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);

  const QString expected = QString::fromStdString((sources_ / "clip.mp4").string());
  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  EXPECT_EQ(result.outputPath, expected);
  EXPECT_EQ(listener.events, QStringList({"path:" + expected, "started"}));
  EXPECT_DOUBLE_EQ(listener.lastFraction, 1.0);

  const ProbeResult probe = Probe(Fs(expected));
  ASSERT_TRUE(probe.ok);
  EXPECT_EQ(probe.First("video")->codec, "h264");
  EXPECT_EQ(probe.First("audio")->codec, "aac");
  // The demo template's red text lies over the grey picture, around its centre.
  const QImage frame = DecodeFrame(Fs(expected), 0);
  const QRect marked = MarkedArea(frame, QColor(128, 128, 128));
  EXPECT_TRUE(marked.contains(frame.rect().center()))
      << marked.x() << "," << marked.y() << " " << marked.width() << "x" << marked.height();
  EXPECT_TRUE(MarkedArea(DecodeFrame(Fs(source), 0), QColor(128, 128, 128)).isEmpty());
}

// A container whose header claims another frame size than its pictures have
// (a Matroska PixelWidth of 1280 over a 320 x 240 stream): the watermark is
// placed for the frames the decoder delivers, so it lands on every frame.
TEST_F(TranscodeJobTest, TheWatermarkIsPlacedForTheDecodedFramesWhateverTheHeaderSays) {
  ClipSpec spec = SmallClip();
  spec.container = "mkv";
  spec.videoSource = "color=c=gray";
  spec.audio = false;
  const fs::path made = sources_ / "made.mkv";
  fs::copy_file(SampleClip(spec), made);
  std::string bytes = ReadFile(made);
  // PixelWidth (0xB0), two bytes long, 320 -> 1280.
  const std::string width320("\xB0\x82\x01\x40", 4);
  const size_t at = bytes.find(width320);
  ASSERT_NE(at, std::string::npos) << "no PixelWidth of 320 in the sample";
  bytes.replace(at, width320.size(), std::string("\xB0\x82\x05\x00", 4));
  fs::remove(made);
  WriteFile(sources_ / "claims1280.mkv", bytes);
  const QString source = QString::fromStdString((sources_ / "claims1280.mkv").string());
  RecordingListener listener;
  JobSettings settings = Settings(1, "_wm");
  settings.encoding.videoBitrateKbps = 1000;

  const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);

  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  for (const int index : {0, -1}) {
    const QImage frame = DecodeFrame(Fs(result.outputPath), index);
    ASSERT_EQ(frame.size(), QSize(320, 240));
    EXPECT_TRUE(MarkedArea(frame, QColor(128, 128, 128)).contains(frame.rect().center())) << "frame " << index;
  }
}

TEST_F(TranscodeJobTest, ASuffixReplacesTheEarlierOutputOfTheSourceWithACompleteFile) {
  const QString source = MakeSource("clip.mp4");
  const fs::path existing = sources_ / "clip_wm.mp4";
  RecordingListener listener;
  ASSERT_EQ(TranscodeFile({source, Settings(1, "_wm"), ProgramFolder()}, listener, &sink_).outcome, JobOutcome::Done);
  const auto firstTime = fs::last_write_time(existing);

  const JobResult result = TranscodeFile({source, Settings(1, "_wm"), ProgramFolder()}, listener, &sink_);

  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  EXPECT_EQ(Fs(result.outputPath), existing);
  EXPECT_TRUE(Probe(existing).ok);
  EXPECT_NE(fs::last_write_time(existing), firstTime);
  EXPECT_FALSE(fs::exists(sources_ / "clip_wm (2).mp4"));
}

TEST_F(TranscodeJobTest, KeepingTheNameSkipsAnExistingOutputAndLeavesItAlone) {
  const QString source = MakeSource("clip.avi");
  const QString output = QString::fromStdString((sources_ / "clip.mp4").string());
  WriteFile(Fs(output), "someone's file");
  const FileState before = StateOf(output);
  RecordingListener listener;

  const JobResult result = TranscodeFile({source, Settings(0), ProgramFolder()}, listener, &sink_);

  EXPECT_EQ(result.outcome, JobOutcome::Skipped);
  EXPECT_EQ(listener.events, QStringList({"path:" + output}));  // the last output path is still set
  EXPECT_EQ(StateOf(output), before);
}

TEST_F(TranscodeJobTest, TheSourceIsNeverReplacedWhateverTheNamingOptions) {
  struct Case {
    const char* name;
    int folderOpts;
    int nameOpts;
    const char* suffix;
  };
  const Case cases[] = {
      {"same name, beside", 0, 0, ""},
      {"empty suffix, beside", 0, 1, ""},
      {"custom folder that is the source's", 1, 1, ""},
  };
  const QString source = MakeSource("clip.mp4");
  const FileState before = StateOf(source);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSettings settings = Settings(c.nameOpts, c.suffix);
    settings.output.outputFolderOpts = c.folderOpts;
    settings.output.outputFolderPath = QString::fromStdString(sources_.string()) + "/";
    RecordingListener listener;
    const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
    EXPECT_EQ(result.outcome, JobOutcome::Skipped);
    EXPECT_FALSE(result.reason.isEmpty());
    EXPECT_FALSE(listener.events.contains("started"));
    EXPECT_EQ(StateOf(source), before);
  }

  // The same file through a link is still the source.
  const fs::path link = env_.MakeDir("linked") / "clip.mp4";
  fs::create_symlink(Fs(source), link);
  JobSettings settings = Settings(1, "");
  settings.output.outputFolderOpts = 1;
  settings.output.outputFolderPath = QString::fromStdString(link.parent_path().string());
  RecordingListener listener;
  EXPECT_EQ(TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_).outcome, JobOutcome::Skipped);
  EXPECT_EQ(StateOf(source), before);
}

TEST_F(TranscodeJobTest, AFailedEncodeIsReportedFailedAndLeavesNoOutput) {
  const fs::path source = sources_ / "notes.mp4";
  WriteFile(source, "this is a text file, not a video\n");
  RecordingListener listener;

  const JobResult result =
      TranscodeFile({QString::fromStdString(source.string()), Settings(1, "_wm"), ProgramFolder()}, listener, &sink_);

  EXPECT_EQ(result.outcome, JobOutcome::Failed);
  EXPECT_FALSE(result.reason.isEmpty());
  // Nothing but the source is left in its folder: no output, no partial file.
  std::vector<fs::path> left;
  for (const auto& entry : fs::directory_iterator(sources_)) left.push_back(entry.path());
  EXPECT_EQ(left, std::vector<fs::path>{source});
}

TEST_F(TranscodeJobTest, AFailedEncodeKeepsTheOutputItWouldHaveReplaced) {
  const fs::path source = sources_ / "notes.mp4";
  WriteFile(source, "this is a text file, not a video\n");
  const fs::path earlier = sources_ / "notes_wm.mp4";
  WriteFile(earlier, "an earlier output");
  RecordingListener listener;

  const JobResult result =
      TranscodeFile({QString::fromStdString(source.string()), Settings(1, "_wm"), ProgramFolder()}, listener, &sink_);

  EXPECT_EQ(result.outcome, JobOutcome::Failed);
  EXPECT_EQ(ReadFile(earlier), "an earlier output");
}

TEST_F(TranscodeJobTest, StoppingTheEncodeFailsItAndLeavesNoOutput) {
  ClipSpec spec = SmallClip();
  spec.seconds = 4;
  const QString source = MakeSource("long.mp4", spec);
  RecordingListener listener;
  listener.stop = true;

  const JobResult result = TranscodeFile({source, Settings(1, "_wm"), ProgramFolder()}, listener, &sink_);

  EXPECT_EQ(result.outcome, JobOutcome::Failed);
  EXPECT_FALSE(fs::exists(sources_ / "long_wm.mp4"));
}

TEST_F(TranscodeJobTest, FormatFiveWritesAPlayableVp8File) {
  const QString source = MakeSource("clip.mp4");
  JobSettings settings = Settings(1, "_wm");
  settings.encoding.container = Container::kVp8;
  settings.encoding.videoCodec = VideoCodec::kVp8;
  settings.encoding.audioCodec = AudioCodec::kVorbis;
  RecordingListener listener;

  const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);

  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  EXPECT_TRUE(result.outputPath.endsWith("clip_wm.webm"));
  const ProbeResult probe = Probe(Fs(result.outputPath));
  ASSERT_TRUE(probe.ok);
  EXPECT_EQ(probe.First("video")->codec, "vp8");
  EXPECT_EQ(probe.First("audio")->codec, "vorbis");
  EXPECT_GT(CountFrames(Fs(result.outputPath)), 20);
}

TEST_F(TranscodeJobTest, AutoFrameAndSamplingRatesAreTheSourcesOwn) {
  ClipSpec spec = SmallClip();
  spec.fps = 30;
  spec.sampleRate = 48000;
  const QString source = MakeSource("rates.mp4", spec);
  RecordingListener listener;
  const JobResult result = TranscodeFile({source, Settings(1, "_r"), ProgramFolder()}, listener, &sink_);
  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  const ProbeResult probe = Probe(Fs(result.outputPath));
  ASSERT_TRUE(probe.ok);
  EXPECT_NEAR(probe.First("video")->frameRate, 30, 0.01);
  EXPECT_EQ(probe.First("audio")->sampleRate, 48000);
  EXPECT_EQ(CountFrames(Fs(result.outputPath)), CountFrames(Fs(source)));
}

// Mean luma (BT.601 weights of the decoded RGB) of the top quarter, away from the demo text.
double TopLuma(const QImage& image) {
  double sum = 0;
  const int rows = image.height() / 4;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      sum += 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue();
    }
  return sum / (static_cast<double>(rows) * image.width());
}

bool IsRed(QColor c) { return c.red() > c.green() + 40 && c.red() > c.blue() + 40; }

// Pixels that are the demo text's red (over dark grey: reddish) in `painted` and were not red in `source`.
int AddedRedPixels(const QImage& painted, const QImage& source) {
  int count = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x)
      count += IsRed(painted.pixelColor(x, y)) && !IsRed(source.pixelColor(x, y));
  return count;
}

// Sources whose own bit rate is a few kbit/s (a flat dark picture, a still
// picture with sound) keep their picture and a legible watermark on auto: the
// encoder's quality mode is used, not the source's rate.
TEST_F(TranscodeJobTest, AutoBitRatesKeepFlatAndStillPicturesAndTheWatermark) {
  struct Case {
    const char* name;
    const char* videoSource;
    std::vector<std::string> filters;
  };
  // The still picture: a white grid on blue, a slide's worth of sharp detail.
  for (const Case& c : {Case{"flat.mp4", "color=c=0x262626", {}},
                        Case{"still.mp4", "color=c=0x284070", {"-vf", "drawgrid=w=32:h=32:t=2:c=white"}}}) {
    ClipSpec spec;
    spec.width = 640;
    spec.height = 360;
    spec.seconds = 3;
    spec.videoSource = c.videoSource;
    spec.videoBitrate = "25k";
    spec.extraArgs = c.filters;
    const QString source = MakeSource(c.name, spec);

    RecordingListener listener;
    const JobResult automatic = TranscodeFile({source, Settings(1, "_auto"), ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(automatic.outcome, JobOutcome::Done) << c.name << ": " << automatic.reason.toStdString();
    JobSettings rated = Settings(1, "_rated");
    rated.encoding.videoBitrateKbps = 4000;
    const JobResult reference = TranscodeFile({source, rated, ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(reference.outcome, JobOutcome::Done) << c.name << ": " << reference.reason.toStdString();

    for (const int index : {0, 25, 50, 74}) {
      const QImage original = DecodeFrame(Fs(source), index);
      const QImage painted = DecodeFrame(Fs(automatic.outputPath), index);
      ASSERT_FALSE(painted.isNull()) << c.name << " frame " << index;
      EXPECT_NEAR(TopLuma(painted), TopLuma(original), 3) << c.name << " frame " << index;
      const int red = AddedRedPixels(painted, original);
      const int referenceRed = AddedRedPixels(DecodeFrame(Fs(reference.outputPath), index), original);
      EXPECT_GT(referenceRed, 50) << c.name << " frame " << index;
      // The demo's text is small on a 640 x 360 frame (fitted to its height);
      // copying the source's 25 kbit/s leaves none of it on the grid.
      EXPECT_GE(red, referenceRed * 0.6) << c.name << " frame " << index;
    }
  }
}

TEST_F(TranscodeJobTest, ASourceWhoseFrameSizeMediaInfoCannotReadIsWatermarkedAsUsual) {
  // MediaInfo names the NUT container but reads no frame size from it; FFmpeg
  // decodes it. The same picture in MP4 shows where the watermark belongs.
  ClipSpec spec = SmallClip();
  spec.videoSource = "color=c=gray";
  spec.audio = false;
  const QString reference = MakeSource("reference.mp4", spec);
  spec.container = "nut";
  const QString source = MakeSource("sizeless.nut", spec);
  MediaProbe probe;
  probe.Open(source);
  ASSERT_TRUE(probe.FrameSize().isEmpty()) << "MediaInfo reads this size now: pick another source";

  JobSettings settings = Settings(1, "_wm");
  QRect marked[2];
  int i = 0;
  for (const QString& path : {reference, source}) {
    RecordingListener listener;
    const JobResult result = TranscodeFile({path, settings, ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
    const QImage frame = DecodeFrame(Fs(result.outputPath), 0);
    ASSERT_EQ(frame.size(), QSize(320, 240));
    marked[i++] = MarkedArea(frame, QColor(128, 128, 128));
  }
  EXPECT_FALSE(marked[1].isEmpty());
  EXPECT_EQ(marked[1], marked[0]);
}

TEST_F(TranscodeJobTest, AnUnsetCustomFolderFailsWithAMessage) {
  const QString source = MakeSource("clip.mp4");
  JobSettings settings = Settings(1, "_wm");
  settings.output.outputFolderOpts = 1;
  settings.output.outputFolderPath.clear();
  RecordingListener listener;

  const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);

  EXPECT_EQ(result.outcome, JobOutcome::Failed);
  EXPECT_FALSE(result.reason.isEmpty());
  EXPECT_FALSE(listener.events.contains("started"));
}

// Stored values the dialog would refuse (a hand-edited preference.xml) fail
// the file before anything is written, naming the setting.
TEST_F(TranscodeJobTest, StoredNamesThatWouldLeaveTheFolderFailTheFile) {
  const QString source = MakeSource("clip.mp4");
  const fs::path elsewhere = env_.MakeDir("clips");
  WriteFile(elsewhere / "a.mp4", "an unrelated video");
  struct Case {
    const char* name;
    int folderOpts;
    const char* folder;
    const char* suffix;
    const char* named;  // in the reason
  };
  const Case cases[] = {
      {"suffix_with_parent_folders", 0, "", "/../../files/clips/a", "suffix"},
      {"suffix_with_a_slash", 0, "", "/a", "suffix"},
      {"suffix_with_a_line_break", 0, "", "_a\nb", "suffix"},
      {"relative_folder", 1, "relative/out", "_wm", "relative/out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSettings settings = Settings(1, c.suffix);
    settings.output.outputFolderOpts = c.folderOpts;
    settings.output.outputFolderPath = c.folder;
    RecordingListener listener;
    const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
    EXPECT_EQ(result.outcome, JobOutcome::Failed);
    EXPECT_TRUE(result.reason.contains(c.named)) << result.reason.toStdString();
    EXPECT_TRUE(result.reason.contains("preference.xml")) << result.reason.toStdString();
    EXPECT_FALSE(listener.events.contains("started"));
  }
  EXPECT_EQ(ReadFile(elsewhere / "a.mp4"), "an unrelated video");
  EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(sources_), fs::directory_iterator()), 1);
}

TEST_F(TranscodeJobTest, AMissingEncoderLibraryFailsWithItsMessage) {
  const QString source = MakeSource("clip.mp4");
  RecordingListener listener;
  const QString emptyFolder = QString::fromStdString(env_.MakeDir("no-encoder").string());

  const JobResult result = TranscodeFile({source, Settings(), emptyFolder}, listener, &sink_);

  EXPECT_EQ(result.outcome, JobOutcome::Failed);
  EXPECT_EQ(sink_.Messages(), QStringList({"load libvencor.so failed."}));
  EXPECT_FALSE(listener.events.contains("started"));
}

TEST_F(TranscodeJobTest, AnUnreadableTemplateFailsRatherThanEncodingWithoutWatermark) {
  const QString source = MakeSource("clip.mp4");
  JobSettings settings = Settings(1, "_wm");
  settings.templateName = "No Such Template";
  RecordingListener listener;

  const JobResult result = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);

  EXPECT_EQ(result.outcome, JobOutcome::Failed);
  EXPECT_FALSE(fs::exists(sources_ / "clip_wm.mp4"));
}

// The demo template shown in the first second only: the job asks the encoder
// to copy the other groups of pictures and its result says how much it did.
TEST_F(TranscodeJobTest, AMarkShownForAWhileLeavesTheOtherPicturesCopied) {
  ClipSpec spec = SmallClip();
  spec.seconds = 4;
  spec.extraArgs = {"-g", "25", "-keyint_min", "25", "-sc_threshold", "0"};
  const QString source = MakeSource("timed.mp4", spec);
  JobSettings settings = Settings();
  const std::u16string folder = TemplatesFolder().toStdU16String();
  const auto layers = ReadLayerList(NamedFilePath(folder, settings.templateName.toStdU16String()));
  ASSERT_TRUE(layers && !layers->empty());
  for (const ListedLayer& listed : *layers) {
    EditedLayer layer;
    ASSERT_TRUE(ReadLayerFile(NamedFilePath(folder, listed.file), layer));
    layer.endTime = 1000;
    ASSERT_TRUE(WriteNewLayerFile(folder, listed.file, layer));
  }
  RecordingListener listener;
  const JobResult smart = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
  ASSERT_EQ(smart.outcome, JobOutcome::Done) << smart.reason.toStdString();
  EXPECT_EQ(smart.summary, "copied 75 %, re-encoded 25 %") << smart.notes.join("; ").toStdString();
  EXPECT_EQ(smart.reason, smart.summary);
  EXPECT_EQ(CountFrames(Fs(smart.outputPath)), 100);

  settings.output.onlyReencodeMarked = 0;
  const JobResult whole = TranscodeFile({source, settings, ProgramFolder()}, listener, &sink_);
  ASSERT_EQ(whole.outcome, JobOutcome::Done) << whole.reason.toStdString();
  EXPECT_EQ(whole.summary, "");
  EXPECT_EQ(whole.reason, "");
}

}  // namespace
}  // namespace vidmora::test
