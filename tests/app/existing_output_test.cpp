// What a job does with a file already at its output path: the record of what
// an output was made from decides whether it is replaced.

#include "app/processing/output_record.h"
#include "app/processing/transcode_job.h"

#include "tests/app/engine_fixture.h"
#include "tests/draw/template_fixture.h"
#include "tests/support/media.h"

#include <QFileInfo>
#include <QImage>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// A file replaced by a rename is another inode, even with the same bytes (a
// re-encode of the same source may give them).
ino_t Inode(const fs::path& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}
QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

class ExistingOutputTest : public EngineTest {
 protected:
  // Writes into `out_` with the suffix "_wm".
  JobResult Run(const QString& source, ExistingOutputs existing = ExistingOutputs::SameSourceOnly,
                bool skipExisting = false, int frameRate = 0, ExistingOutputQuestion* question = nullptr) {
    TranscodeRequest request{source, Settings(1, "_wm"), ProgramFolder()};
    request.question = question;
    request.settings.output.outputFolderOpts = 1;
    request.settings.output.outputFolderPath = Q(out_);
    if (frameRate > 0) request.settings.encoding.frameRate = frameRate;
    request.existing = existing;
    request.skipExisting = skipExisting;
    QuietListener listener;
    return TranscodeFile(request, listener, &sink_);
  }

  // Another card's clip of the same name: other pictures.
  QString OtherSource() {
    ClipSpec spec = SmallClip();
    spec.videoSource = "testsrc";
    const fs::path other = env_.MakeDir("card2") / "a.mp4";
    fs::copy_file(SampleClip(spec), other);
    return Q(other);
  }

  fs::path out_ = env_.MakeDir("out");
};

TEST_F(ExistingOutputTest, OnlyTheEarlierOutputOfTheSameSourceIsReplaced) {
  enum class Before { ForeignFile, OwnOutputCopied, OtherSourcesOutput, Pipe };
  struct Case {
    const char* name;
    const char* writtenAs;  // the output's file name
    Before before;
    ExistingOutputs existing;
    JobOutcome outcome;
    bool keptUnchanged;  // the file that was there
  };
  const Case cases[] = {
      {"another program's file", "a_wm (2).mp4", Before::ForeignFile, ExistingOutputs::SameSourceOnly, JobOutcome::Done,
       true},
      {"a copy of this source's output", "a_wm.mp4", Before::OwnOutputCopied, ExistingOutputs::SameSourceOnly,
       JobOutcome::Done, false},
      {"another source's output", "a_wm (2).mp4", Before::OtherSourcesOutput, ExistingOutputs::SameSourceOnly,
       JobOutcome::Done, true},
      {"keep-both, own output", "a_wm (2).mp4", Before::OwnOutputCopied, ExistingOutputs::KeepBoth, JobOutcome::Done,
       true},
      {"replace, another program's file", "a_wm.mp4", Before::ForeignFile, ExistingOutputs::Replace, JobOutcome::Done,
       false},
      {"skip, own output", "a_wm.mp4", Before::OwnOutputCopied, ExistingOutputs::Skip, JobOutcome::Skipped, true},
      // A pipe is never opened (it would hold the job): another file.
      {"a named pipe", "a_wm (2).mp4", Before::Pipe, ExistingOutputs::SameSourceOnly, JobOutcome::Done, true},
  };
  const QString source = MakeSource("a.mp4");
  const QString other = OtherSource();
  // This source's output, made once and copied in where a case needs it.
  const fs::path own = env_.MakeDir("own") / "a_wm.mp4";
  ASSERT_EQ(Run(source).outcome, JobOutcome::Done);
  fs::rename(out_ / "a_wm.mp4", own);
  ASSERT_EQ(Run(other).outcome, JobOutcome::Done);
  const fs::path othersOutput = env_.MakeDir("others") / "a_wm.mp4";
  fs::rename(out_ / "a_wm.mp4", othersOutput);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out_);
    fs::create_directories(out_);
    const fs::path existing = out_ / "a_wm.mp4";
    switch (c.before) {
      case Before::ForeignFile: WriteFile(existing, "someone's file"); break;
      case Before::OwnOutputCopied: fs::copy_file(own, existing); break;
      case Before::OtherSourcesOutput: fs::copy_file(othersOutput, existing); break;
      case Before::Pipe: ASSERT_EQ(mkfifo(existing.c_str(), 0600), 0); break;
    }
    const std::string before = c.before == Before::Pipe ? std::string() : ReadFile(existing);
    const ino_t inode = Inode(existing);

    const JobResult result = Run(source, c.existing);

    ASSERT_EQ(result.outcome, c.outcome) << result.reason.toStdString();
    EXPECT_EQ(QFileInfo(result.outputPath).fileName().toStdString(), c.writtenAs);
    const std::string after = c.before == Before::Pipe ? std::string() : ReadFile(existing);
    EXPECT_EQ(after == before && Inode(existing) == inode, c.keptUnchanged);
    if (c.outcome == JobOutcome::Done) {
      EXPECT_TRUE(Probe(Fs(result.outputPath)).ok);
      // A new name is said in the result.
      EXPECT_EQ(result.reason.isEmpty(), std::string(c.writtenAs) == "a_wm.mp4") << result.reason.toStdString();
    }
  }
}

// Asking (the window's way): an earlier output of the same source is re-made
// without a question; another file waits on the answer, keeps both when
// nobody is there to ask, and no answer (the run abandoned) writes nothing.
TEST_F(ExistingOutputTest, OnlyAnotherFileAtTheOutputIsAskedAbout) {
  class Answering : public ExistingOutputQuestion {
   public:
    std::optional<ExistingOutputs> Ask(const QString& path) override {
      asked << QFileInfo(path).fileName();
      return answer;
    }
    std::optional<ExistingOutputs> answer;
    QStringList asked;
  };
  struct Case {
    const char* name;
    const char* writtenAs;
    JobOutcome outcome;
    std::optional<ExistingOutputs> answer;
    bool ownOutput;  // else another program's file
    bool withQuestion;
    bool keptUnchanged;
  };
  const Case cases[] = {
      {"this source's output", "a_wm.mp4", JobOutcome::Done, ExistingOutputs::Skip, true, true, false},
      {"another file, replace", "a_wm.mp4", JobOutcome::Done, ExistingOutputs::Replace, false, true, false},
      {"another file, nobody to ask", "a_wm (2).mp4", JobOutcome::Done, {}, false, false, true},
      {"another file, the run abandoned", "a_wm.mp4", JobOutcome::Failed, std::nullopt, false, true, true},
  };
  const QString source = MakeSource("a.mp4");
  const fs::path own = env_.MakeDir("own") / "a_wm.mp4";
  ASSERT_EQ(Run(source).outcome, JobOutcome::Done);
  fs::rename(out_ / "a_wm.mp4", own);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(out_);
    fs::create_directories(out_);
    const fs::path existing = out_ / "a_wm.mp4";
    if (c.ownOutput) {
      fs::copy_file(own, existing);
    } else {
      WriteFile(existing, "someone's file");
    }
    const std::string before = ReadFile(existing);
    const ino_t inode = Inode(existing);
    Answering question;
    question.answer = c.answer;

    const JobResult result = Run(source, ExistingOutputs::Ask, false, 0, c.withQuestion ? &question : nullptr);

    ASSERT_EQ(result.outcome, c.outcome) << result.reason.toStdString();
    EXPECT_EQ(question.asked.join(' ').toStdString(), c.withQuestion && !c.ownOutput ? "a_wm.mp4" : "");
    EXPECT_EQ(QFileInfo(result.outputPath).fileName().toStdString(), c.writtenAs);
    EXPECT_EQ(ReadFile(existing) == before && Inode(existing) == inode, c.keptUnchanged);
    // Nothing else in the folder but the output.
    const auto files = std::distance(fs::directory_iterator(out_), fs::directory_iterator());
    EXPECT_EQ(files, std::string(c.writtenAs) == "a_wm.mp4" ? 1 : 2);
    if (c.outcome == JobOutcome::Done) {
      EXPECT_TRUE(Probe(Fs(result.outputPath)).ok);
    }
  }
}

TEST_F(ExistingOutputTest, ARerunFindsItsNumberedOutputAndSkipExistingSkipsOnlyWhatIsMadeAlike) {
  const QString source = MakeSource("a.mp4");
  const QString other = OtherSource();
  ASSERT_EQ(Run(other).outcome, JobOutcome::Done);   // a_wm.mp4 is the other card's
  ASSERT_EQ(Run(source).outcome, JobOutcome::Done);  // so this one is a_wm (2).mp4
  const std::string othersBytes = ReadFile(out_ / "a_wm.mp4");

  // Run again: the numbered output is re-made where it is, nothing new appears.
  const JobResult again = Run(source);
  ASSERT_EQ(again.outcome, JobOutcome::Done) << again.reason.toStdString();
  EXPECT_EQ(Fs(again.outputPath), out_ / "a_wm (2).mp4");
  EXPECT_FALSE(fs::exists(out_ / "a_wm (3).mp4"));

  const JobResult skipped = Run(source, ExistingOutputs::SameSourceOnly, true);
  EXPECT_EQ(skipped.outcome, JobOutcome::Skipped) << skipped.reason.toStdString();
  // Other settings: made again.
  const JobResult changed = Run(source, ExistingOutputs::SameSourceOnly, true, 12);
  EXPECT_EQ(changed.outcome, JobOutcome::Done) << changed.reason.toStdString();
  EXPECT_EQ(Fs(changed.outputPath), out_ / "a_wm (2).mp4");
  EXPECT_TRUE(ReadFile(out_ / "a_wm.mp4") == othersBytes);
}

TEST_F(ExistingOutputTest, TheRecordReadsBackAndRefusesOtherComments) {
  const QString source = MakeSource("a.mp4");
  QString error;
  const std::optional<SourceIdentity> identity = IdentifySource(source, error);
  ASSERT_TRUE(identity) << error.toStdString();
  const OutputRecord record{*identity, "abc", "/clips/odd; name=1 source=x.mp4"};
  const std::optional<OutputRecord> parsed = ParseOutputRecord(FormatOutputRecord(record));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->source, record.source);
  EXPECT_EQ(parsed->settings, "abc");
  EXPECT_EQ(parsed->sourcePath, record.sourcePath);
  for (const char* text : {"", "shot on a sunny day", "vidmora-output v1; size=x; head=ab; source=/a",
                           "vidmora-output v1; head=ab; source=/a"})
    EXPECT_FALSE(ParseOutputRecord(text)) << text;
}

// --skip-existing trusts the fingerprint: it must change with every file the
// painter reads (the logo's bytes too) and with nothing else in the folder.
TEST_F(ExistingOutputTest, TheTemplateFingerprintFollowsWhatThePainterReads) {
  const fs::path folder = env_.MakeDir("fingerprinted");
  const fs::path logo = folder / "logo.png";
  QImage picture(8, 8, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(Q(logo)));
  vidmora::EditedLayer layer = glyphra::test::NewLayer(u"");
  layer.imagePathName = logo.u16string();
  glyphra::test::WriteTemplate(folder, u"Brand", {{u"Brand logo", layer}, {u"Brand text", glyphra::test::NewLayer()}});
  const auto fingerprint = [&] { return TemplateFingerprint(Q(folder), "Brand"); };
  const QString first = fingerprint();
  EXPECT_EQ(fingerprint(), first);

  // Files the template does not list, even with its name in front, change nothing.
  WriteFile(folder / "Brand_Layer 1.xml", "<Layer/>");
  WriteFile(folder / "Brand old.xml", "<Layers/>");
  EXPECT_EQ(fingerprint(), first);

  picture.fill(Qt::blue);
  ASSERT_TRUE(picture.save(Q(logo)));
  const QString newLogo = fingerprint();
  EXPECT_NE(newLogo, first);

  layer = glyphra::test::NewLayer(u"Changed");
  glyphra::test::WriteTemplate(folder, u"Brand", {{u"Brand logo", layer}, {u"Brand text", glyphra::test::NewLayer()}});
  EXPECT_NE(fingerprint(), newLogo);
}

TEST_F(ExistingOutputTest, PercentSignsInFolderAndFileNamesStayAsTheyAre) {
  // The numbered name is built from the user's names, never as a format.
  const fs::path folder = env_.MakeDir("take %1 %2");
  const fs::path clip = folder / "shot %2.mp4";
  fs::copy_file(SampleClip(SmallClip()), clip);
  WriteFile(folder / "shot %2_wm.mp4", "someone's file");
  TranscodeRequest request{Q(clip), Settings(1, "_wm"), ProgramFolder()};
  QuietListener listener;

  const JobResult result = TranscodeFile(request, listener, &sink_);

  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  EXPECT_EQ(Fs(result.outputPath), folder / "shot %2_wm (2).mp4");
  EXPECT_TRUE(Probe(folder / "shot %2_wm (2).mp4").ok);
}

TEST_F(ExistingOutputTest, ASourceStillBeingWrittenIsRefusedForALaterRun) {
  const QString complete = MakeSource("complete.mp4");
  const std::string clip = ReadFile(Fs(complete));

  // Held open for writing by another process (a recorder).
  const fs::path held = sources_ / "recording.mp4";
  WriteFile(held, clip);
  const pid_t recorder = fork();
  ASSERT_GE(recorder, 0);
  if (recorder == 0) {
    const int fd = open(held.c_str(), O_WRONLY | O_APPEND);
    (void)fd;
    pause();
    _exit(0);
  }
  // Growing, written by this process (no other process holds it).
  const fs::path growing = sources_ / "growing.mp4";
  WriteFile(growing, clip.substr(0, clip.size() / 2));
  std::atomic<bool> writing{true};
  std::thread writer([&] {
    std::ofstream file(growing, std::ios::app | std::ios::binary);
    while (writing) {
      file.write("x", 1);
      file.flush();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });

  for (const fs::path& path : {held, growing}) {
    SCOPED_TRACE(path.filename().string());
    // The other process needs a moment to open the file.
    JobResult result;
    for (int attempt = 0; attempt < 100; ++attempt) {
      result = Run(Q(path));
      if (result.outcome == JobOutcome::Failed) break;
      fs::remove_all(out_);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(result.outcome, JobOutcome::Failed);
    EXPECT_TRUE(result.retryMayHelp);
    EXPECT_TRUE(result.reason.contains("still being written by another program")) << result.reason.toStdString();
  }
  writing = false;
  writer.join();
  kill(recorder, SIGKILL);
  waitpid(recorder, nullptr, 0);
  EXPECT_FALSE(fs::exists(out_ / "recording_wm.mp4"));
  EXPECT_EQ(Run(complete).outcome, JobOutcome::Done);
}

}  // namespace
}  // namespace vidmora::test
