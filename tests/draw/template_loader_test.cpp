// Reading templates and layer files into layers: every key, the forward-only
// key search, defaults for missing keys, and the results of every failure.
#include "draw/template_loader.h"
#include "draw/template_reader.h"
#include "shared/template/template_files.h"
#include "tests/draw/template_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace glyphra {
namespace {

using vidmora::test::WriteFile;

class TemplateLoading : public ::testing::Test {
 protected:
  int Load(const std::string& templateName, int width = 677, int height = 625) {
    context_.templateName = QString::fromStdString(templateName);
    context_.frameRect = {0, 0, width, height};
    return LoadTemplate(context_, QString::fromStdString(folder_.string()));
  }
  // A template "t" with one layer "l" whose file holds the given text.
  void WriteLayerFile(const std::string& content) {
    WriteFile(folder_ / "t.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n<layer>l</layer>\r\n</Layers>\r\n");
    WriteFile(folder_ / "l.xml", content);
  }
  void WriteLayerSections(const std::string& text, const std::string& image) {
    WriteLayerFile("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<WatermarkConf>\r\n<Text>\r\n" + text +
                   "</Text>\r\n<Image>\r\n" + image + "</Image>\r\n</WatermarkConf>\r\n");
  }

  vidmora::test::TempEnv env_;
  std::filesystem::path folder_ = env_.MakeDir("templates");
  RenderContext context_;
};

TEST_F(TemplateLoading, EveryKeyOfAWrittenLayerReadsBack) {
  vidmora::EditedLayer written = test::NewLayer(u"A & <b>");
  written.font.height = -30;
  written.font.weight = 700;
  written.font.italic = 1;
  written.font.SetFaceName(u"Liberation Serif");
  written.fontPointSize = 17;
  written.location = 8;
  written.offsetH = -12;
  written.offsetV = 34;
  written.rotation = -45;
  written.transparency = 200;
  written.addShadow = 1;
  written.shadowH = -3;
  written.shadowV = 5;
  written.shadowBlurRadius = 7;
  written.shadowAlpha = 22;
  written.shadowColor = 4294967295u;
  written.fillText = 0;
  written.textColor = 0x123456;
  written.drawEdge = 1;
  written.edgeColor = 0xABCDEF;
  written.edgeLineThickness = 9;
  written.edgeAlpha = 111;
  written.text3D = 1;
  written.text3DColor = 77;
  written.text3DOffset = 8;
  written.text3DPos = 2;
  written.gradientText = 1;
  written.gradientBeginColor = 0xFEDCBA;
  written.gradientEndColor = 0x010203;
  written.coverImage = 1;
  written.coverImageMethod = 1;
  written.scaleText = 0;  // keeps the font as written
  written.imagePathName = u"/pictures/logo & co.png";
  written.imageLocation = 6;
  written.imageOffsetH = 5;
  written.imageOffsetV = -6;
  written.imageRotation = 90;
  written.imageTransparency = 60;
  written.imageWidth = 320;
  written.imageHeight = 200;
  written.scaleImage = 1;
  test::WriteTemplate(folder_, u"t", {{u"l", written}});

  ASSERT_EQ(Load("t"), 0);
  ASSERT_EQ(context_.layers.size(), 1u);
  const WatermarkLayer& layer = context_.layers[0];
  EXPECT_EQ(layer.text, QStringLiteral("A & <b>"));
  EXPECT_EQ(layer.font, written.font);
  const std::pair<int64_t, int64_t> pairs[] = {
      {layer.fontPointSize, written.fontPointSize},   {layer.location, written.location},
      {layer.offsetH, written.offsetH},               {layer.offsetV, written.offsetV},
      {layer.rotation, written.rotation},             {layer.transparency, written.transparency},
      {layer.addShadow, written.addShadow},           {layer.shadowH, written.shadowH},
      {layer.shadowV, written.shadowV},               {layer.shadowBR, written.shadowBlurRadius},
      {layer.shadowAlpha, written.shadowAlpha},       {layer.shadowColor, written.shadowColor},
      {layer.fillText, written.fillText},             {layer.textColor, written.textColor},
      {layer.drawEdge, written.drawEdge},             {layer.edgeColor, written.edgeColor},
      {layer.edgeLineThickness, written.edgeLineThickness}, {layer.edgeAlpha, written.edgeAlpha},
      {layer.b3DText, written.text3D},                {layer.tdTextColor, written.text3DColor},
      {layer.tdTextOffset, written.text3DOffset},     {layer.tdTextPos, written.text3DPos},
      {layer.bGradientText, written.gradientText},    {layer.gradientBeginColor, written.gradientBeginColor},
      {layer.gradientEndColor, written.gradientEndColor}, {layer.coverImage, written.coverImage},
      {layer.coverImgMethod, written.coverImageMethod}, {layer.scaleText, written.scaleText},
      {layer.imageLocation, written.imageLocation},   {layer.imageOffsetH, written.imageOffsetH},
      {layer.imageOffsetV, written.imageOffsetV},     {layer.imageRotation, written.imageRotation},
      {layer.imageTransparency, written.imageTransparency}, {layer.imageWidth, written.imageWidth},
      {layer.imageHeight, written.imageHeight},       {layer.scaleImage, written.scaleImage},
  };
  for (size_t i = 0; i < std::size(pairs); ++i) EXPECT_EQ(pairs[i].first, pairs[i].second) << "value " << i;
  EXPECT_EQ(layer.shadowColor, 0xFFFFFFFFu);
  EXPECT_EQ(layer.imagePath, QStringLiteral("/pictures/logo & co.png"));
}

TEST_F(TemplateLoading, ResultsAndLayersForEveryKindOfFile) {
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  const std::string oneLayer = declaration + "<Layers>\r\n<layer>l</layer>\r\n</Layers>\r\n";
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> write;
    int result;
    size_t layers;
  };
  const Case cases[] = {
      {"no template file", [](auto&) {}, -1, 0},
      {"malformed template file", [&](auto& f) { WriteFile(f / "t.xml", declaration + "<Layers><layer>l</Layers>"); },
       -1, 0},
      {"no Layers element", [&](auto& f) { WriteFile(f / "t.xml", declaration + "<Other/>"); }, 0, 0},
      {"no layer element", [&](auto& f) { WriteFile(f / "t.xml", declaration + "<Layers>\r\n</Layers>"); }, 0, 0},
      {"layer file missing", [&](auto& f) { WriteFile(f / "t.xml", oneLayer); }, 0, 0},
      {"a missing layer file between two readable ones",
       [&](auto& f) {
         WriteFile(f / "t.xml", declaration + "<Layers>\r\n<layer>l</layer>\r\n<layer>gone</layer>\r\n<layer>l</layer>\r\n</Layers>\r\n");
         WriteFile(f / "l.xml", declaration + "<WatermarkConf/>");
       },
       0, 2},
      {"layer file malformed",
       [&](auto& f) {
         WriteFile(f / "t.xml", oneLayer);
         WriteFile(f / "l.xml", "<WatermarkConf><Text>");
       },
       0, 0},
      {"no WatermarkConf",
       [&](auto& f) {
         WriteFile(f / "t.xml", oneLayer);
         WriteFile(f / "l.xml", declaration + "<Other/>");
       },
       0, 0},
      {"empty WatermarkConf: a layer all the same",
       [&](auto& f) {
         WriteFile(f / "t.xml", oneLayer);
         WriteFile(f / "l.xml", declaration + "<WatermarkConf/>");
       },
       0, 1},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    c.write(folder_);
    context_.layers.assign(2, WatermarkLayer{});  // a previous template's layers go in every case
    EXPECT_EQ(Load("t"), c.result) << c.what;
    EXPECT_EQ(context_.layers.size(), c.layers) << c.what;
  }

  context_.layers.assign(1, WatermarkLayer{});
  context_.templateName = QStringLiteral("t");
  EXPECT_EQ(LoadTemplate(context_, QString()), 0) << "no templates folder";
  EXPECT_TRUE(context_.layers.empty());
}

TEST_F(TemplateLoading, EveryLayerIsLoadedInTheTemplatesOrder) {
  test::WriteTemplate(folder_, u"t",
                      {{u"a", test::NewLayer(u"first")}, {u"b", test::NewLayer(u"second")}, {u"c", test::NewLayer(u"third")}});
  ASSERT_EQ(Load("t"), 0);
  ASSERT_EQ(context_.layers.size(), 3u);
  EXPECT_EQ(context_.layers[0].text, QStringLiteral("first"));
  EXPECT_EQ(context_.layers[1].text, QStringLiteral("second"));
  EXPECT_EQ(context_.layers[2].text, QStringLiteral("third"));
}

// What cannot be read is named, layer by layer; the rest is still read, in order.
TEST_F(TemplateLoading, TheReaderNamesEveryLayerItCannotRead) {
  test::WriteTemplate(folder_, u"t", {{u"a", test::NewLayer(u"first")}, {u"b", test::NewLayer(u"second")}});
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  WriteFile(folder_ / "t.xml", declaration +
                                   "<Layers>\r\n<layer>a</layer>\r\n<layer>gone</layer>\r\n<layer>../escape</layer>\r\n"
                                   "<layer>b</layer>\r\n</Layers>\r\n");
  vidmora::EditedLayer withPicture = test::NewLayer(u"logo");
  withPicture.imagePathName = (folder_ / "no-such.png").u16string();
  test::WriteTemplate(folder_, u"p", {{u"logo", withPicture}});

  const TemplateReading reading = ReadTemplate(QString::fromStdString(folder_.string()), "t", PictureCheck::kDecode);
  ASSERT_TRUE(reading.templateReadable);
  ASSERT_EQ(reading.layers.size(), 2u);
  EXPECT_EQ(reading.layers[0].name, "a");
  EXPECT_EQ(reading.layers[1].name, "b");
  ASSERT_EQ(reading.problems.size(), 2u);
  EXPECT_EQ(reading.problems[0].kind, TemplateProblem::Kind::kLayerFile);
  EXPECT_EQ(reading.problems[0].layerName, "gone");
  EXPECT_EQ(reading.problems[0].reason, "is missing");
  EXPECT_EQ(reading.problems[1].kind, TemplateProblem::Kind::kLayerName);

  // Pictures are only decoded when asked for.
  const QString folder = QString::fromStdString(folder_.string());
  EXPECT_TRUE(ReadTemplate(folder, "p", PictureCheck::kSkip).problems.empty());
  const TemplateReading checked = ReadTemplate(folder, "p", PictureCheck::kDecode);
  ASSERT_EQ(checked.problems.size(), 1u);
  EXPECT_EQ(checked.problems[0].kind, TemplateProblem::Kind::kPicture);
  EXPECT_EQ(checked.layers.size(), 1u) << "a layer whose picture is missing still counts";

  const TemplateReading missing = ReadTemplate(folder, "none", PictureCheck::kSkip);
  EXPECT_FALSE(missing.templateReadable);
  ASSERT_EQ(missing.problems.size(), 1u);
  EXPECT_EQ(missing.problems[0].reason, "is missing");
}

// Keys are found only in their written order: "EdgeAlpha" written before
// "EdgeLineThickness" is skipped, and the keys after it are still read.
TEST_F(TemplateLoading, KeysOutOfOrderAreSkipped) {
  WriteLayerSections(
      "<textContent>x</textContent>\r\n<BDrawEdge>1</BDrawEdge>\r\n<EdgeAlpha>200</EdgeAlpha>\r\n"
      "<EdgeLineThickness>4</EdgeLineThickness>\r\n<B3DText>1</B3DText>\r\n<ScaleTextWT>0</ScaleTextWT>\r\n",
      "<ImageLocation>5</ImageLocation>\r\n<ImagePathName>late.png</ImagePathName>\r\n");
  ASSERT_EQ(Load("t"), 0);
  ASSERT_EQ(context_.layers.size(), 1u);
  const WatermarkLayer& layer = context_.layers[0];
  EXPECT_EQ(layer.drawEdge, 1);
  EXPECT_EQ(layer.edgeLineThickness, 4);
  EXPECT_EQ(layer.edgeAlpha, 0);
  EXPECT_EQ(layer.b3DText, 1);
  // "ImagePathName" is found after "ImageLocation", which then lies behind.
  EXPECT_EQ(layer.imagePath, QStringLiteral("late.png"));
  EXPECT_EQ(layer.imageLocation, 0);
}

TEST_F(TemplateLoading, MissingAndOddValues) {
  // 100 numbers: height -20 (bytes 236 255 255 255), 88 zeros, then 8 sevens
  // that lie beyond the record's 92 bytes.
  std::string font = "236,255,255,255";
  for (int i = 4; i < 100; ++i) font += i < 92 ? ",0" : ",7";
  WriteLayerSections("<textContent></textContent>\r\n<Font>" + font + "</Font>\r\n<Location>4x</Location>\r\n"
                         "<Rotation>abc</Rotation>\r\n<ShadowColor>4294967295</ShadowColor>\r\n",
                     "<ImagePathName>p.png</ImagePathName>\r\n");
  // A frame three times the reference canvas: a fitted text is about three
  // times as high, whatever fonts the machine has.
  ASSERT_EQ(Load("t", 3 * 677, 3 * 625), 0);
  ASSERT_EQ(context_.layers.size(), 1u);
  const WatermarkLayer& layer = context_.layers[0];
  EXPECT_EQ(layer.text, QStringLiteral(" "));  // an empty text is one space
  EXPECT_EQ(layer.location, 4);                 // leading digits
  EXPECT_EQ(layer.rotation, 0);                 // no digits
  EXPECT_EQ(layer.shadowColor, 0xFFFFFFFFu);
  EXPECT_EQ(layer.scaleText, 1);                // missing: fitted to the frame
  EXPECT_LT(layer.font.height, -40);            // … so the height was rewritten
  EXPECT_EQ(layer.font.pitchAndFamily, 0);
  EXPECT_EQ(layer.font.faceName[31], 0);        // byte 91 is the 92nd number (0), not a 7
  EXPECT_EQ(layer.imagePath, QStringLiteral("p.png"));
  EXPECT_EQ(layer.scaleImage, 0);               // missing
  EXPECT_EQ(layer.imageTransparency, 0);        // missing: an invisible picture
}

TEST_F(TemplateLoading, ALayerWithOnlyAnImageHasNoText) {
  WriteLayerFile(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<WatermarkConf>\r\n<Image>\r\n"
      "<ImagePathName>logo.png</ImagePathName>\r\n<ImageTransparency>100</ImageTransparency>\r\n</Image>\r\n"
      "</WatermarkConf>\r\n");
  ASSERT_EQ(Load("t"), 0);
  ASSERT_EQ(context_.layers.size(), 1u);
  EXPECT_TRUE(context_.layers[0].text.isEmpty());
  EXPECT_EQ(context_.layers[0].scaleText, 0);
  EXPECT_EQ(context_.layers[0].imagePath, QStringLiteral("logo.png"));
  EXPECT_EQ(context_.layers[0].imageTransparency, 100);
}

}  // namespace
}  // namespace glyphra
