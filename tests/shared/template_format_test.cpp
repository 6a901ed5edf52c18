// The template file format: the logical font record and its byte list,
// layer files (new, read, updated), index and template files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/log_font.h"
#include "shared/template/template_files.h"
#include "shared/text/utf.h"
#include "tests/support/temp_env.h"

namespace vidmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::u16string P(const fs::path& path) { return FromUtf8(path.string()); }

std::string DefaultFontList() {
  std::string list = "24";
  for (int i = 0; i < 27; ++i) list += ",0";
  list += ",65,0,114,0,105,0,97,0,108,0";
  for (int i = 0; i < 54; ++i) list += ",0";
  return list;
}

// The old layer file form, before the scale and image size keys existed.
std::string OldLayerFile(const std::string& textKeys) {
  return std::string(kDeclaration) +
         "<WatermarkConf>\r\n<Text>\r\n" + textKeys +
         "</Text>\r\n<Image>\r\n<ImagePathName/>\r\n<ImageLocation>4</ImageLocation>\r\n"
         "<ImageOffsetH>0</ImageOffsetH>\r\n<ImageOffsetV>0</ImageOffsetV>\r\n"
         "<ImageRotation>0</ImageRotation>\r\n<ImageTransparency>100</ImageTransparency>\r\n"
         "</Image>\r\n</WatermarkConf>\r\n";
}

TEST(LogFontFormat, DefaultFontIsTheKnownByteList) {
  const std::u16string list = EncodeByteList(DefaultLogFont());
  EXPECT_EQ(list.size(), 192u);
  EXPECT_EQ(ToUtf8(list), DefaultFontList());
  EXPECT_EQ(DefaultLogFont().FaceName(), u"Arial");
}

TEST(LogFontFormat, BytesAreLittleEndianInRecordOrder) {
  LogFont font;
  font.height = -13;
  font.width = 0x01020304;
  font.weight = 700;
  font.italic = 1;
  font.pitchAndFamily = 0x22;
  font.SetFaceName(u"DejaVu Sans \u00C9");
  const LogFont::Bytes bytes = font.ToBytes();
  EXPECT_EQ(bytes[0], 0xF3);
  EXPECT_EQ(bytes[3], 0xFF);
  EXPECT_EQ(bytes[4], 0x04);
  EXPECT_EQ(bytes[7], 0x01);
  EXPECT_EQ(bytes[16], 700 & 0xFF);
  EXPECT_EQ(bytes[17], 700 >> 8);
  EXPECT_EQ(bytes[20], 1);
  EXPECT_EQ(bytes[27], 0x22);
  EXPECT_EQ(bytes[28], 'D');
  EXPECT_EQ(bytes[28 + 2 * 12], 0xC9);
  EXPECT_EQ(LogFont::FromBytes(bytes), font);
  LogFont parsed;
  EXPECT_EQ(ParseByteList(ToUtf8(EncodeByteList(font)), parsed), 92u);
  EXPECT_EQ(parsed, font);
  // A face name is cut so that it stays zero-terminated.
  font.SetFaceName(std::u16string(40, u'x'));
  EXPECT_EQ(font.FaceName().size(), 31u);
}

TEST(LogFontFormat, ByteListParsingRules) {
  struct Case {
    std::string text;
    size_t stored;
    std::vector<int> leading;  // expected first bytes; the rest keep 7
  };
  const Case cases[] = {
      {"1,2,3", 3, {1, 2, 3, 7}},
      {" 0x10 ,\t010, -1,300 ,99999999999,-99999999999", 6, {16, 8, 255, 44, 255, 0, 7}},
      {"24,,5", 2, {24, 0, 7}},   // no number: a 0 stored there, then stop
      {"24 5,6", 1, {24, 7}},     // no comma after a number: stop
      {"5,x", 2, {5, 0, 7}},
      {"0x,4", 1, {0, 7}},        // "0" read, then "x" is no comma
      {"9,", 1, {9, 7}},          // end of text after a comma
      {"", 0, {7}},
  };
  for (const Case& c : cases) {
    LogFont::Bytes sevens{};
    sevens.fill(7);
    LogFont font = LogFont::FromBytes(sevens);
    EXPECT_EQ(ParseByteList(c.text, font), c.stored) << c.text;
    const LogFont::Bytes bytes = font.ToBytes();
    for (size_t k = 0; k < c.leading.size(); ++k) EXPECT_EQ(bytes[k], c.leading[k]) << c.text << " byte " << k;
    for (size_t k = c.leading.size(); k < bytes.size(); ++k) EXPECT_EQ(bytes[k], 7) << c.text << " byte " << k;
  }
  // A hundred numbers: only the first 92 are stored.
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += (i ? "," : "") + std::to_string(i + 1);
  LogFont font;
  EXPECT_EQ(ParseByteList(hundred, font), 92u);
  EXPECT_EQ(font.ToBytes()[91], 92);
}

TEST(LayerFile, NewLayerFileOfHolidayByteForByte) {
  test::TempEnv env;
  const fs::path folder = env.MakeDir("templates");
  EditedLayer layer;
  layer.font.height = 99;  // not written: a new layer file always has the default font
  ApplyNewLayerValues(layer, kNewTemplateLayerText);
  EXPECT_EQ(layer.font.height, 99);
  ASSERT_TRUE(WriteNewLayerFile(P(folder), u"Holiday_Layer 1", layer));
  const std::string expected =
      std::string(kDeclaration) +
      "<WatermarkConf>\r\n<Text>\r\n"
      "<textContent>Vidmora For Win</textContent>\r\n"
      "<Font>" + DefaultFontList() + "</Font>\r\n"
      "<FontPointSize>20</FontPointSize>\r\n<Location>4</Location>\r\n<OffsetH>0</OffsetH>\r\n"
      "<OffsetV>0</OffsetV>\r\n<Rotation>30</Rotation>\r\n<Transparency>255</Transparency>\r\n"
      "<BAddShadow>0</BAddShadow>\r\n<ShadowH>2</ShadowH>\r\n<ShadowV>2</ShadowV>\r\n<ShadowBR>0</ShadowBR>\r\n"
      "<ShadowAlpha>12</ShadowAlpha>\r\n<ShadowColor>8421504</ShadowColor>\r\n<BFillText>1</BFillText>\r\n"
      "<TextColor>734110</TextColor>\r\n<BDrawEdge>0</BDrawEdge>\r\n<EdgeColor>32896</EdgeColor>\r\n"
      "<EdgeLineThickness>2</EdgeLineThickness>\r\n<EdgeAlpha>255</EdgeAlpha>\r\n<B3DText>0</B3DText>\r\n"
      "<TDTextColor>8421504</TDTextColor>\r\n<TDTextOffset>6</TDTextOffset>\r\n<TDTextPos>3</TDTextPos>\r\n"
      "<BGradientText>0</BGradientText>\r\n<GradientBeginColor>16776960</GradientBeginColor>\r\n"
      "<GradientEndColor>255</GradientEndColor>\r\n<BCoverImage>0</BCoverImage>\r\n"
      "<coverImgMethod>0</coverImgMethod>\r\n<ScaleTextWT>1</ScaleTextWT>\r\n"
      "</Text>\r\n<Image>\r\n"
      "<ImagePathName/>\r\n<ImageLocation>4</ImageLocation>\r\n<ImageOffsetH>0</ImageOffsetH>\r\n"
      "<ImageOffsetV>0</ImageOffsetV>\r\n<ImageRotation>0</ImageRotation>\r\n"
      "<ImageTransparency>100</ImageTransparency>\r\n<ImageWidth>0</ImageWidth>\r\n"
      "<ImageHeight>0</ImageHeight>\r\n<ScaleImgWT>1</ScaleImgWT>\r\n"
      "</Image>\r\n</WatermarkConf>\r\n";
  EXPECT_EQ(TextLayerKeys().size(), 30u);
  EXPECT_EQ(ImageLayerKeys().size(), 9u);
  const fs::path path = folder / "Holiday_Layer 1.xml";
  EXPECT_EQ(ReadFile(path), expected);

  // Read back, it gives the new-layer values with the default font.
  EditedLayer read;
  ASSERT_TRUE(LoadLayerFile(P(path), read));
  EditedLayer wanted;
  wanted.font = DefaultLogFont();
  ApplyNewLayerValues(wanted, kNewTemplateLayerText);
  EXPECT_EQ(read, wanted);
  // An editor save of unchanged values changes no byte.
  ASSERT_TRUE(SaveLayerFile(P(path), read));
  EXPECT_EQ(ReadFile(path), expected);
}

TEST(LayerFile, OldFileWithoutLateKeysReadsAndGainsThemOnSave) {
  test::TempEnv env;
  const fs::path path = env.Root() / "old.xml";
  WriteFile(path, OldLayerFile("<textContent>Old</textContent>\r\n<Rotation>-15</Rotation>\r\n"));
  EditedLayer layer;
  layer.scaleText = 0;
  layer.scaleImage = 1;
  layer.imageWidth = 640;
  layer.imageHeight = 360;
  layer.offsetH = 77;
  ASSERT_TRUE(LoadLayerFile(P(path), layer));
  EXPECT_EQ(layer.textContent, u"Old");
  EXPECT_EQ(layer.rotation, -15);
  EXPECT_EQ(layer.offsetH, 77);  // missing: kept
  EXPECT_EQ(layer.scaleText, 1);
  EXPECT_EQ(layer.scaleImage, 0);
  EXPECT_EQ(layer.imageTransparency, 100);

  layer.rotation = 45;
  ASSERT_TRUE(SaveLayerFile(P(path), layer));
  EXPECT_EQ(ReadFile(path),
            std::string(kDeclaration) +
                "<WatermarkConf>\r\n<Text>\r\n<textContent>Old</textContent>\r\n<Rotation>45</Rotation>\r\n"
                "<ScaleTextWT>1</ScaleTextWT>\r\n"
                "</Text>\r\n<Image>\r\n<ImagePathName/>\r\n<ImageLocation>4</ImageLocation>\r\n"
                "<ImageOffsetH>0</ImageOffsetH>\r\n<ImageOffsetV>0</ImageOffsetV>\r\n"
                "<ImageRotation>0</ImageRotation>\r\n<ImageTransparency>100</ImageTransparency>\r\n"
                "<ImageWidth>640</ImageWidth>\r\n<ImageHeight>360</ImageHeight>\r\n<ScaleImgWT>0</ScaleImgWT>\r\n"
                "</Image>\r\n</WatermarkConf>\r\n");
}

TEST(LayerFile, KeysOutOfOrderAreSkippedByReaderAndUpdater) {
  test::TempEnv env;
  const fs::path path = env.Root() / "order.xml";
  WriteFile(path, OldLayerFile("<EdgeAlpha>120</EdgeAlpha>\r\n<EdgeLineThickness>5</EdgeLineThickness>\r\n"
                               "<ScaleTextWT>0</ScaleTextWT>\r\n"));
  EditedLayer layer;
  layer.edgeAlpha = 200;
  ASSERT_TRUE(LoadLayerFile(P(path), layer));
  EXPECT_EQ(layer.edgeLineThickness, 5);
  EXPECT_EQ(layer.edgeAlpha, 200);
  EXPECT_EQ(layer.scaleText, 0);
  layer.edgeLineThickness = 7;
  layer.edgeAlpha = 150;
  ASSERT_TRUE(SaveLayerFile(P(path), layer));
  const std::string saved = ReadFile(path);
  EXPECT_NE(saved.find("<EdgeAlpha>120</EdgeAlpha>\r\n<EdgeLineThickness>7</EdgeLineThickness>"), std::string::npos);
  EXPECT_EQ(saved.find("<EdgeAlpha>150"), std::string::npos);
}

TEST(LayerFile, TextValuesAndColoursRoundTrip) {
  test::TempEnv env;
  const fs::path folder = env.MakeDir("t");
  EditedLayer layer;
  ApplyNewLayerValues(layer, u"Fish & Chips <best> \"caf\u00E9\"");
  layer.imagePathName = u"/pics/a&b <1>.png";
  layer.shadowColor = 4294967295u;
  ASSERT_TRUE(WriteNewLayerFile(P(folder), u"L", layer));
  const std::string file = ReadFile(folder / "L.xml");
  EXPECT_NE(file.find("<textContent>Fish &amp; Chips &lt;best&gt; \"caf\xC3\xA9\"</textContent>"), std::string::npos);
  EXPECT_NE(file.find("<ShadowColor>-1</ShadowColor>"), std::string::npos);
  EditedLayer read;
  ASSERT_TRUE(LoadLayerFile(P(folder / "L.xml"), read));
  EXPECT_EQ(read.textContent, layer.textContent);
  EXPECT_EQ(read.imagePathName, layer.imagePathName);
  EXPECT_EQ(read.shadowColor, 0xFFFFFFFFu);
  // Updated through the editor's save, the values still come back whole.
  read.textContent = u"x < y";
  read.imagePathName.clear();
  read.font.height = -40;
  ASSERT_TRUE(SaveLayerFile(P(folder / "L.xml"), read));
  EditedLayer again;
  ASSERT_TRUE(LoadLayerFile(P(folder / "L.xml"), again));
  EXPECT_EQ(again, read);
}

TEST(LayerFile, UnreadableFilesChangeNothing) {
  test::TempEnv env;
  EditedLayer layer;
  ApplyNewLayerValues(layer, u"keep");
  const EditedLayer before = layer;
  EXPECT_FALSE(LoadLayerFile(P(env.Root() / "missing.xml"), layer));
  const fs::path broken = env.Root() / "broken.xml";
  WriteFile(broken, "<WatermarkConf><Text><textContent>x</textContent></WatermarkConf>");
  EXPECT_FALSE(LoadLayerFile(P(broken), layer));
  EXPECT_EQ(layer, before);
  EXPECT_FALSE(SaveLayerFile(P(broken), layer));
  EXPECT_EQ(ReadFile(broken), "<WatermarkConf><Text><textContent>x</textContent></WatermarkConf>");
  EXPECT_FALSE(SaveLayerFile(P(env.Root() / "missing.xml"), layer));
  EXPECT_FALSE(fs::exists(env.Root() / "missing.xml"));
}

TEST(TemplateFiles, ListsAreWrittenReadAndChangedInOrder) {
  test::TempEnv env;
  const std::u16string folder = P(env.MakeDir("templates"));
  const std::u16string index = IndexFilePath(folder);
  EXPECT_EQ(ToUtf8(index), ToUtf8(folder) + "/qthumb.xml");
  EXPECT_EQ(ToUtf8(NamedFilePath(folder, u"Demo 1")), ToUtf8(folder) + "/Demo 1.xml");

  const std::vector<std::u16string> names = {u"Demo 1"};
  ASSERT_TRUE(WriteNameList(index, kTemplateIndex, names));
  EXPECT_EQ(ReadFile(ToUtf8(index)),
            std::string(kDeclaration) + "<Templates>\r\n<template>Demo 1</template>\r\n</Templates>\r\n");
  ASSERT_TRUE(AppendToNameList(index, kTemplateIndex, u"R&D <2>"));
  ASSERT_TRUE(AppendToNameList(index, kTemplateIndex, u"Holiday"));
  EXPECT_EQ(ReadFile(ToUtf8(index)),
            std::string(kDeclaration) +
                "<Templates>\r\n<template>Demo 1</template>\r\n<template>R&amp;D &lt;2&gt;</template>\r\n"
                "<template>Holiday</template>\r\n</Templates>\r\n");
  EXPECT_EQ(ReadNameList(index, kTemplateIndex), (std::vector<std::u16string>{u"Demo 1", u"R&D <2>", u"Holiday"}));

  ASSERT_TRUE(RenameInNameList(index, kTemplateIndex, u"Holiday", u"Summer"));
  ASSERT_TRUE(RemoveFromNameList(index, kTemplateIndex, u"R&D <2>"));
  EXPECT_FALSE(RemoveFromNameList(index, kTemplateIndex, u"demo 1"));  // names compare exactly
  EXPECT_EQ(ReadFile(ToUtf8(index)),
            std::string(kDeclaration) +
                "<Templates>\r\n<template>Demo 1</template>\r\n<template>Summer</template>\r\n</Templates>\r\n");

  const std::u16string layers = NamedFilePath(folder, u"Summer");
  const std::vector<std::u16string> layerNames = {u"Holiday_Layer 1", u"Second", u"Third"};
  ASSERT_TRUE(WriteNameList(layers, kLayerList, layerNames));
  EXPECT_EQ(ReadNameList(layers, kLayerList), layerNames);
  EXPECT_EQ(ReadNameList(layers, kTemplateIndex), std::vector<std::u16string>{});
  EXPECT_EQ(ReadNameList(NamedFilePath(folder, u"absent"), kLayerList), std::nullopt);
  EXPECT_FALSE(AppendToNameList(NamedFilePath(folder, u"absent"), kLayerList, u"x"));
}

// Timing and motion follow "Image"; the keys before them stay as they were.
constexpr char kTimingSections[] =
    "<Timing>\r\n<StartTime>1500</StartTime>\r\n<EndTime>-2000</EndTime>\r\n<FadeIn>300</FadeIn>\r\n"
    "<FadeOut>400</FadeOut>\r\n<RepeatEvery>60000</RepeatEvery>\r\n<ShowFor>5000</ShowFor>\r\n</Timing>\r\n"
    "<Motion>\r\n<MotionKind>3</MotionKind>\r\n<MotionToLocation>8</MotionToLocation>\r\n"
    "<MotionPeriod>2500</MotionPeriod>\r\n<MotionSpeed>12</MotionSpeed>\r\n<MotionSeed>-7</MotionSeed>\r\n"
    "</Motion>\r\n";

void SetTimingAndMotion(EditedLayer& layer) {
  layer.startTime = 1500;
  layer.endTime = -2000;
  layer.fadeIn = 300;
  layer.fadeOut = 400;
  layer.repeatEvery = 60000;
  layer.showFor = 5000;
  layer.motionKind = 3;
  layer.motionToLocation = 8;
  layer.motionPeriod = 2500;
  layer.motionSpeed = 12;
  layer.motionSeed = -7;
}

TEST(LayerFile, TimingAndMotionFollowTheImageAndReadBack) {
  test::TempEnv env;
  const fs::path folder = env.MakeDir("templates");
  EditedLayer plain;
  ApplyNewLayerValues(plain, u"Timed");
  ASSERT_TRUE(WriteNewLayerFile(P(folder), u"plain", plain));
  EditedLayer timed = plain;
  SetTimingAndMotion(timed);
  ASSERT_TRUE(WriteNewLayerFile(P(folder), u"timed", timed));

  // The file is the plain one with the two sections after "Image".
  std::string expected = ReadFile(folder / "plain.xml");
  const std::string imageEnd = "</Image>\r\n";
  expected.insert(expected.find(imageEnd) + imageEnd.size(), kTimingSections);
  EXPECT_EQ(ReadFile(folder / "timed.xml"), expected);
  EXPECT_EQ(TimingLayerKeys().size(), 6u);
  EXPECT_EQ(MotionLayerKeys().size(), 5u);

  EditedLayer read;
  ASSERT_TRUE(LoadLayerFile(P(folder / "timed.xml"), read));
  timed.font = DefaultLogFont();
  EXPECT_EQ(read, timed);
  ASSERT_TRUE(SaveLayerFile(P(folder / "timed.xml"), read));
  EXPECT_EQ(ReadFile(folder / "timed.xml"), expected);
}

TEST(LayerFile, OldFileGainsOnlyTheSectionsItNeedsAfterTheImage) {
  test::TempEnv env;
  const fs::path path = env.Root() / "old.xml";
  const std::string old = OldLayerFile("<textContent>Old</textContent>\r\n");
  WriteFile(path, old);
  EditedLayer layer;
  ASSERT_TRUE(LoadLayerFile(P(path), layer));
  EXPECT_FALSE(layer.HasTiming());
  EXPECT_FALSE(layer.HasMotion());

  // Saved unchanged: no section added (the old form keeps only its late keys added).
  ASSERT_TRUE(SaveLayerFile(P(path), layer));
  std::string saved = ReadFile(path);
  EXPECT_EQ(saved.find("Timing"), std::string::npos);
  EXPECT_EQ(saved.find("Motion"), std::string::npos);

  layer.fadeIn = 250;
  ASSERT_TRUE(SaveLayerFile(P(path), layer));
  const std::string withTiming = ReadFile(path);
  std::string expected = saved;
  expected.insert(expected.find("</Image>\r\n") + 10,
                  "<Timing>\r\n<StartTime>0</StartTime>\r\n<EndTime>0</EndTime>\r\n<FadeIn>250</FadeIn>\r\n"
                  "<FadeOut>0</FadeOut>\r\n<RepeatEvery>0</RepeatEvery>\r\n<ShowFor>0</ShowFor>\r\n</Timing>\r\n");
  EXPECT_EQ(withTiming, expected);
}

TEST(LayerFile, TimingKeysAreFoundOnlyInOrderAndMissingOnesAreAdded) {
  test::TempEnv env;
  const fs::path path = env.Root() / "order.xml";
  std::string file = OldLayerFile("<textContent>T</textContent>\r\n");
  file.insert(file.find("</WatermarkConf>"),
              "<Timing>\r\n<FadeIn>100</FadeIn>\r\n<StartTime>900</StartTime>\r\n</Timing>\r\n"
              "<Motion>\r\n<MotionKind>2</MotionKind>\r\n</Motion>\r\n");
  WriteFile(path, file);
  EditedLayer layer;
  layer.fadeIn = 7;
  ASSERT_TRUE(LoadLayerFile(P(path), layer));
  EXPECT_EQ(layer.startTime, 900);
  EXPECT_EQ(layer.fadeIn, 7);  // stands before StartTime, out of order: skipped and kept
  EXPECT_EQ(layer.motionKind, 2);

  layer.motionSpeed = 30;
  ASSERT_TRUE(SaveLayerFile(P(path), layer));
  EditedLayer again;
  ASSERT_TRUE(LoadLayerFile(P(path), again));
  EXPECT_EQ(again.motionKind, 2);
  EXPECT_EQ(again.motionSpeed, 30);
  EXPECT_EQ(again.startTime, 900);
  EXPECT_EQ(again.fadeIn, 7);
  const std::string saved = ReadFile(path);
  EXPECT_LT(saved.find("<MotionKind>2</MotionKind>"), saved.find("<MotionSpeed>30</MotionSpeed>"));
}

}  // namespace
}  // namespace vidmora
