#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/output_preferences.h"
#include "app/processing/templates/template_store.h"
#include "shared/template/layer_file.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

TEST(FirstStart, CreatesThePreferencesAndTheDemoTemplate) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());

  const fs::path data = env.DataHome() / "Vidmora";
  const std::string documents = (env.Documents() / "Vidmora").string();
  // Named as the custom folder, made only when an output goes there.
  EXPECT_FALSE(fs::exists(documents));
  EXPECT_EQ(ReadFile(data / "preference.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<Preferences>\r\n"
            "<OutputFolderOpts>0</OutputFolderOpts>\r\n"
            "<OutputFolderPath>" +
                documents +
                "</OutputFolderPath>\r\n"
                "<OutputFileNameOpts>1</OutputFileNameOpts>\r\n"
                "<OutputFileNameSuffix>_new</OutputFileNameSuffix>\r\n"
                "<OutputFormat>0</OutputFormat>\r\n"
                "<JpegQuality>100</JpegQuality>\r\n"
                "<OpenQuickStartDlg>0</OpenQuickStartDlg>\r\n"
                "</Preferences>\r\n");

  const fs::path templates = data / "templates";
  EXPECT_EQ(ReadTemplateNames(QString::fromStdString(templates.string())), QStringList({"Demo 1"}));
  EXPECT_EQ(ReadFile(templates / "Demo 1.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n<layer>Demo 1_Layer 1</layer>\r\n</Layers>\r\n");
  EditedLayer layer;
  ASSERT_TRUE(LoadLayerFile((templates / "Demo 1_Layer 1.xml").u16string(), layer));
  EXPECT_EQ(layer.textContent, u"Vidmora");
  EXPECT_EQ(layer.rotation, 30);
  EXPECT_EQ(layer.location, 4);
  EXPECT_EQ(layer.font.height, 24);
  EXPECT_EQ(layer.font.FaceName(), u"Arial");
}

TEST(FirstStart, ALaterStartWritesNothingEvenWithAnEmptyTemplatesFolder) {
  TempEnv env;
  const fs::path data = env.DataHome() / "Vidmora";
  fs::create_directories(data / "templates");
  WriteFile(data / "preference.xml", "<Preferences/>");

  ASSERT_TRUE(PrepareDataFolder());

  EXPECT_TRUE(fs::is_empty(data / "templates"));
  EXPECT_EQ(ReadFile(data / "preference.xml"), "<Preferences/>");
}

// A damaged template list would hide every template: it is kept, and the
// list is made again from the template files, with a warning.
TEST(FirstStart, ADamagedTemplateListIsKeptAndRebuiltFromTheFolder) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  const QString folder = TemplatesFolder();
  ASSERT_TRUE(AddTemplate(folder, "Brand").ok);
  const fs::path templates = folder.toStdString();
  const std::string damaged = "<Templates><template>Demo 1</templ";
  WriteFile(templates / "qthumb.xml", damaged);
  WriteFile(templates / "qthumb.xml.bak", "an earlier backup");
  std::map<std::string, std::string> before;
  for (const auto& entry : fs::directory_iterator(templates))
    if (entry.path().filename() != "qthumb.xml") before[entry.path().filename().string()] = ReadFile(entry.path());

  QStringList warnings;
  ASSERT_TRUE(PrepareDataFolder(&warnings));
  EXPECT_EQ(ReadTemplateNames(folder), QStringList({"Brand", "Demo 1"}));
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings[0].contains("qthumb.xml.bak.2")) << warnings[0].toStdString();
  EXPECT_EQ(ReadFile(templates / "qthumb.xml.bak.2"), damaged);
  for (const auto& [name, bytes] : before) EXPECT_EQ(ReadFile(templates / name), bytes) << name;

  // A sound list is left as it is.
  warnings.clear();
  ASSERT_TRUE(PrepareDataFolder(&warnings));
  EXPECT_TRUE(warnings.isEmpty());
}

TEST(OutputPreferences, ReadsValuesInAnyOrderAndKeepsTheFallbackForMissingOnes) {
  TempEnv env;
  const fs::path file = env.Root() / "preference.xml";
  WriteFile(file,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Preferences>\r\n"
            "<OutputFileNameSuffix>_wm &amp; co</OutputFileNameSuffix>\r\n"
            "<OutputFolderOpts>1</OutputFolderOpts>\r\n"
            "<OutputFolderPath>/out</OutputFolderPath>\r\n"
            "</Preferences>\r\n");
  OutputPreferences fallback;
  fallback.outputFileNameOpts = 1;

  const OutputPreferences read = ReadOutputPreferences(QString::fromStdString(file.string()), fallback);

  EXPECT_EQ(read.outputFolderOpts, 1);
  EXPECT_EQ(read.outputFolderPath, "/out");
  EXPECT_EQ(read.outputFileNameSuffix, "_wm & co");
  EXPECT_EQ(read.outputFileNameOpts, 1);
  EXPECT_EQ(ReadOutputPreferences(QString::fromStdString((env.Root() / "missing.xml").string()), fallback), fallback);
}

TEST(TemplateStore, TheStoredRowNamesTheTemplateAndAMissingRowGivesTheDemo) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  const fs::path index = env.DataHome() / "Vidmora" / "templates" / "qthumb.xml";
  WriteFile(index,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Templates>\r\n<template>Demo 1</template>\r\n"
            "<template>Holiday</template>\r\n</Templates>\r\n");
  const QString folder = TemplatesFolder();

  EXPECT_EQ(StoredTemplateName(folder), "Demo 1");
  StoreTemplateRow(1);
  EXPECT_EQ(StoredTemplateRow(), 1);
  EXPECT_EQ(StoredTemplateName(folder), "Holiday");
  StoreTemplateRow(7);
  EXPECT_EQ(StoredTemplateName(folder), "Demo 1");
}

}  // namespace
}  // namespace vidmora::test
