// Tokens in a template's texts, painted by the job: each file gets its own
// values; a token without a value is painted as typed and noted on the row.

#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_store.h"
#include "app/processing/transcode_job.h"
#include "draw/glyphra.h"
#include "shared/template/edited_layer.h"
#include "tests/app/engine_fixture.h"
#include "tests/draw/template_fixture.h"

#include <QFileInfo>

#include <filesystem>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// A large white text, upright, in the top left corner of the frame.
EditedLayer LargeText(std::u16string_view text) {
  EditedLayer layer = glyphra::test::NewLayer(text);
  layer.rotation = 0;
  layer.scaleText = 0;
  layer.location = 0;
  layer.offsetH = 4;
  layer.offsetV = 4;
  layer.font.height = -40;
  layer.textColor = 0xFFFFFF;
  layer.transparency = 255;
  return layer;
}

class TextTokensJobTest : public EngineTest {
 protected:
  // A template of one layer with `text`, used by Settings().
  void UseTemplate(std::u16string_view text) {
    ASSERT_TRUE(AddTemplate(TemplatesFolder(), "Tokens").ok);
    glyphra::test::WriteTemplate(Fs(TemplatesFolder()), u"Tokens", {{u"Tokens_text", LargeText(text)}});
  }
  JobSettings TokenSettings() const {
    JobSettings settings = Settings(1, "_wm");
    settings.templateName = "Tokens";
    settings.encoding.videoBitrateKbps = 2000;
    return settings;
  }
  static ClipSpec Black() {
    ClipSpec spec = SmallClip();
    spec.videoSource = "color=c=black";
    spec.audio = false;
    spec.seconds = 0.4;
    return spec;
  }
};

// Where `text` lands when painted in memory onto a black frame of the clip's size.
QRect PaintedArea(std::u16string_view text) {
  QImage frame(320, 240, QImage::Format_RGB32);
  frame.fill(Qt::black);
  const EditedLayer layer = LargeText(text);
  EXPECT_EQ(PaintLayersOntoImage(&layer, 1, &frame), 0);
  return MarkedArea(frame, Qt::black, 96);
}

bool Near(const QRect& a, const QRect& b, int pixels = 3) {
  return std::abs(a.left() - b.left()) <= pixels && std::abs(a.right() - b.right()) <= pixels &&
         std::abs(a.top() - b.top()) <= pixels && std::abs(a.bottom() - b.bottom()) <= pixels;
}

TEST_F(TextTokensJobTest, EachFileIsPaintedWithItsOwnName) {
  UseTemplate(u"{file}");
  for (const QString& name : {QString("i.mp4"), QString("WWWWW.mp4")}) {
    const QString source = MakeSource(name, Black());
    QuietListener listener;
    const JobResult result = TranscodeFile({source, TokenSettings(), ProgramFolder()}, listener, &sink_);
    ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
    EXPECT_TRUE(result.reason.isEmpty()) << result.reason.toStdString();
    const QRect marked = MarkedArea(DecodeFrame(Fs(result.outputPath), 0), Qt::black, 96);
    const QRect expected = PaintedArea(QFileInfo(name).completeBaseName().toStdU16String());
    EXPECT_TRUE(Near(marked, expected)) << name.toStdString() << ": " << marked.width() << " wide, expected "
                                        << expected.width();
  }
}

TEST_F(TextTokensJobTest, PlaceEscapesAndUnknownTokens) {
  UseTemplate(u"{index}/{count} {{x}} {nosuch}");
  const QString first = MakeSource("a.mp4", Black());
  const QString second = MakeSource("b.mp4", Black());
  TranscodeRequest request{second, TokenSettings(), ProgramFolder()};
  QuietListener listener;
  const JobResult result = TranscodeFile(request, listener, &sink_, {{first, second}, nullptr});
  ASSERT_EQ(result.outcome, JobOutcome::Done) << result.reason.toStdString();
  EXPECT_TRUE(result.reason.contains("{nosuch}")) << result.reason.toStdString();
  const QRect marked = MarkedArea(DecodeFrame(Fs(result.outputPath), 0), Qt::black, 96);
  EXPECT_TRUE(Near(marked, PaintedArea(u"2/2 {x} {nosuch}"))) << marked.width();
}

}  // namespace
}  // namespace vidmora::test
