// One output per file and recipient: vidmora-cli --recipients LIST.csv paints
// each output with its recipient's values and names it for the recipient;
// a list that cannot be used stops the run before anything is written.

#include "shared/template/edited_layer.h"
#include "shared/template/template_files.h"
#include "tests/cli/cli_program.h"
#include "tests/draw/template_fixture.h"
#include "tests/support/media.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// The box of the pixels brighter than the black source.
QRect Marked(const QImage& frame) {
  QRect box;
  for (int y = 0; y < frame.height(); ++y)
    for (int x = 0; x < frame.width(); ++x)
      if (qGray(frame.pixel(x, y)) > 96) box |= QRect(x, y, 1, 1);
  return box;
}

class CliRecipientsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The first start makes the data folder; then the test's template joins the list.
    ASSERT_EQ(RunProcess(Cli({"templates"})).exitCode, 0);
    const fs::path templates = env_.DataHome() / "Vidmora" / "templates";
    EditedLayer layer = glyphra::test::NewLayer(u"{recipient} {recipient.Company}");
    layer.rotation = 0;
    layer.scaleText = 0;
    layer.location = 0;
    layer.font.height = -28;
    layer.textColor = 0xFFFFFF;
    layer.transparency = 255;
    glyphra::test::WriteTemplate(templates, u"Screener", {{u"Screener_text", layer}});
    const std::vector<std::u16string> listed = {u"Screener"};
    ASSERT_TRUE(WriteNameList(IndexFilePath(templates.u16string()), kTemplateIndex, listed));
    ClipSpec spec;
    spec.width = 320;
    spec.height = 96;
    spec.seconds = 0.4;
    spec.audio = false;
    spec.videoSource = "color=c=black";
    for (const char* name : {"a.mp4", "b.mp4"}) fs::copy_file(SampleClip(spec), folder_ / name);
  }
  ProcessResult Run(const std::string& csv, const std::vector<std::string>& more = {}) {
    WriteFile(list_, csv);
    std::vector<std::string> arguments = {"--template",   "Screener",    "--recipients", list_.string(),
                                          "--output-dir", out_.string(), "--keep-name"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.insert(arguments.end(), {(folder_ / "a.mp4").string(), (folder_ / "b.mp4").string()});
    return RunProcess(Cli(arguments));
  }

  TempEnv env_;
  fs::path folder_ = env_.MakeDir("videos");
  fs::path out_ = env_.MakeDir("out");
  fs::path list_ = env_.MakeDir("lists") / "recipients.csv";
};

TEST_F(CliRecipientsTest, TwoFilesForThreeRecipientsMakeSixOutputsEachPaintedForItsRecipient) {
  const ProcessResult result = Run("Name,Company\nAlice,Acme\n\"Bob/Bobby\",\"Big, Inc.\"\r\n..Carol,Co\n");
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const std::set<std::string> expected = {"a_Alice.mp4", "a_Bob_Bobby.mp4", "a_Carol.mp4",
                                          "b_Alice.mp4", "b_Bob_Bobby.mp4", "b_Carol.mp4"};
  ASSERT_EQ(NamesIn(out_), expected);
  // The recipients' names differ in length: so do their marks, the same for both files.
  const QRect alice = Marked(DecodeFrame(out_ / "a_Alice.mp4", 0));
  const QRect bob = Marked(DecodeFrame(out_ / "a_Bob_Bobby.mp4", 0));
  EXPECT_LT(alice.width() + 20, bob.width());
  EXPECT_EQ(Marked(DecodeFrame(out_ / "b_Bob_Bobby.mp4", 0)), bob);
  EXPECT_NE(Marked(DecodeFrame(out_ / "a_Carol.mp4", 0)), alice);
}

TEST_F(CliRecipientsTest, ANamePatternNamesTheOutputsAndSameSafeNamesAreNumbered) {
  const std::string csv = "Name,Company\nx/y,A\nx_y,B\n";
  ProcessResult result = Run(csv, {"--name-pattern", "{recipient.Company}-{file}-{recipient}"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(NamesIn(out_), (std::set<std::string>{"A-a-x_y.mp4", "B-a-x_y.mp4", "A-b-x_y.mp4", "B-b-x_y.mp4"}));
  fs::remove_all(out_);
  fs::create_directories(out_);
  // "x/y" and "x_y" are both "x_y" in a file name: the second is numbered.
  result = Run(csv);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(NamesIn(out_), (std::set<std::string>{"a_x_y.mp4", "a_x_y (2).mp4", "b_x_y.mp4", "b_x_y (2).mp4"}));
}

TEST_F(CliRecipientsTest, AListThatCannotBeUsedStopsTheRunBeforeAnyWorkAndNamesTheLine) {
  std::string many = "Name,Company\n";
  for (int i = 0; i < 100000; ++i) many += "r" + std::to_string(i) + ",c\n";
  struct Case {
    std::string csv;
    std::string said;
  };
  const Case cases[] = {
      {"Name,Company\nAlice,A\n,B\n", "line 3: the first column (the recipient) is empty"},
      {"Name,Company\nAlice,A\nBob,B\nAlice,C\n", "line 4: the recipient \"Alice\" is on line 2 already"},
      {"Name,Firm\nAlice,A\n", "no column \"Company\""},
      {"Name,Company\n", "holds no recipients"},
      {"Name,Company\nAl\xff"
       "ce,A\n",
       "line 2 is not UTF-8"},
      {many, "line 10002: more than 10000 recipients"},
  };
  for (const Case& c : cases) {
    const ProcessResult result = Run(c.csv);
    EXPECT_EQ(result.exitCode, 2) << c.said;
    EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    EXPECT_TRUE(NamesIn(out_).empty()) << c.said;
  }
}

}  // namespace
}  // namespace vidmora::test
