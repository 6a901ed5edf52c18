// vidmora-cli with layers that live in time: `templates --show` tells their
// timing and motion, `render --time` paints the picture as that frame.

#include "shared/template/template_files.h"
#include "tests/cli/cli_program.h"
#include "tests/draw/template_fixture.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

class CliTimingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunCli({"templates"}).exitCode, 0);  // the first start's files
    const fs::path folder = env_.DataHome() / "Vidmora" / "templates";
    EditedLayer late = glyphra::test::NewLayer(u"Late");
    late.rotation = 0;
    late.location = 6;
    late.startTime = 2000;
    late.endTime = -1500;
    late.fadeIn = 500;
    late.repeatEvery = 60000;
    late.showFor = 5000;
    EditedLayer drifting = glyphra::test::NewLayer(u"Drift");
    drifting.rotation = 0;
    drifting.location = 0;
    drifting.motionKind = 1;
    drifting.motionToLocation = 8;
    drifting.motionPeriod = 4000;
    EditedLayer still = glyphra::test::NewLayer(u"Still");
    still.rotation = 0;
    still.location = 2;
    glyphra::test::WriteTemplate(folder, u"Timed",
                                 {{u"Timed_Layer 1", late}, {u"Timed_Layer 2", drifting}, {u"Timed_Layer 3", still}});
    ASSERT_TRUE(AppendToNameList(IndexFilePath(folder.u16string()), kTemplateIndex, u"Timed"));
  }

  TempEnv env_;
};

TEST_F(CliTimingTest, ShowTellsEachLayersTimingAndMotion) {
  const ProcessResult result = RunCli({"templates", "--show", "Timed"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "Timed\n"
            "  Timed_Layer 1\n"
            "    timing: from 2 s to 1.5 s before the end, every 60 s for 5 s, fading in over 0.5 s\n"
            "    motion: still\n"
            "  Timed_Layer 2\n"
            "    timing: shown on every frame\n"
            "    motion: drifts to the bottom right and back every 4 s\n"
            "  Timed_Layer 3\n"
            "    timing: shown on every frame\n"
            "    motion: still\n");
  EXPECT_EQ(RunCli({"templates", "--show", "Nope"}).exitCode, 1);
}

TEST_F(CliTimingTest, RenderAtATimeShowsTheLayersAsOnThatFrame) {
  QImage picture(320, 240, QImage::Format_RGB32);
  picture.fill(QColor(128, 128, 128));
  const fs::path in = env_.Root() / "in.png";
  ASSERT_TRUE(picture.save(QString::fromStdString(in.string())));
  const auto render = [&](const std::string& name, std::initializer_list<std::string> time) {
    const fs::path out = env_.Root() / (name + ".png");
    std::vector<std::string> arguments = {"render",    "--template", "Timed",     "--image",
                                          in.string(), "--out",      out.string()};
    arguments.insert(arguments.end(), time.begin(), time.end());
    const ProcessResult result = RunProcess(Cli(arguments));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return QImage(QString::fromStdString(out.string()));
  };
  const auto changed = [&](const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
  };
  const QImage untimed = render("untimed", {});
  const QImage at1 = render("at1", {"--time", "1"});
  const QImage at3 = render("at3", {"--time", "3.0"});
  ASSERT_FALSE(untimed.isNull());
  ASSERT_FALSE(at1.isNull());
  ASSERT_FALSE(at3.isNull());
  // At 1 s the late layer is not there yet and the drifting one has moved; at 3 s the late one shows.
  // (Each small text covers some 70 pixels.)
  EXPECT_GT(changed(untimed, at1), 30);
  EXPECT_GT(changed(at1, at3), 30);
  EXPECT_EQ(RunCli({"render", "--template", "Timed", "--image", in.string(), "--out", (env_.Root() / "x.png").string(),
                    "--time", "soon"})
                .exitCode,
            2);
}

}  // namespace
}  // namespace vidmora::test
