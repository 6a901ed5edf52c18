// The template store's file steps: add, rename and remove templates and
// layers, and the names it refuses.
#include "app/templates/layer_store.h"
#include "app/templates/template_store.h"
#include "shared/template/layer_file.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// Every file of the folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) files[entry.path().filename().string()] = ReadFile(entry.path());
  return files;
}

class TemplateStoreTest : public ::testing::Test {
 protected:
  TemplateStoreTest() : folder_(env_.MakeDir("templates")), q_(QString::fromStdString(folder_.string())) {
    fs::remove(folder_);
    EnsureDemoTemplate(q_);
  }

  EditedLayer LoadLayer(const std::string& name) const {
    EditedLayer layer;
    EXPECT_TRUE(LoadLayerFile((folder_ / (name + ".xml")).u16string(), layer)) << name;
    return layer;
  }

  TempEnv env_;
  fs::path folder_;
  QString q_;
};

TEST_F(TemplateStoreTest, AddRenameAndRemoveATemplate) {
  ASSERT_TRUE(AddTemplate(q_, "Holiday").ok);
  EXPECT_EQ(ReadTemplateNames(q_), QStringList({"Demo 1", "Holiday"}));
  EXPECT_EQ(ReadFile(folder_ / "Holiday.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n<layer>Holiday_Layer 1</layer>\r\n</Layers>\r\n");
  EXPECT_EQ(LoadLayer("Holiday_Layer 1").textContent, u"Vidmora For Win");
  const std::string layerBytes = ReadFile(folder_ / "Holiday_Layer 1.xml");

  ASSERT_TRUE(RenameTemplate(q_, "Holiday", "Summer").ok);
  EXPECT_EQ(ReadTemplateNames(q_), QStringList({"Demo 1", "Summer"}));
  EXPECT_FALSE(fs::exists(folder_ / "Holiday.xml"));
  EXPECT_EQ(ReadLayerNames(q_, "Summer"), QStringList({"Holiday_Layer 1"}));
  EXPECT_EQ(ReadFile(folder_ / "Holiday_Layer 1.xml"), layerBytes);

  ASSERT_TRUE(RemoveTemplate(q_, "Summer").ok);
  EXPECT_EQ(ReadTemplateNames(q_), QStringList({"Demo 1"}));
  EXPECT_FALSE(fs::exists(folder_ / "Summer.xml"));
  EXPECT_FALSE(fs::exists(folder_ / "Holiday_Layer 1.xml"));
  EXPECT_TRUE(fs::exists(folder_ / "Demo 1_Layer 1.xml"));
}

TEST_F(TemplateStoreTest, RefusedNamesLeaveTheFolderUnchanged) {
  const std::map<std::string, std::string> before = Snapshot(folder_);
  const QString refused[] = {
      "", ".", "..", "qthumb", "QThumb", "a/b", "../outside", "a\\b", "a:b", "what?", "tab\there", "line\nbreak",
      "demo 1",          // a template, compared without case
      "DEMO 1_LAYER 1",  // a layer: layers share the folder
      QString(300, 'x'),
  };
  for (const QString& name : refused) {
    SCOPED_TRACE(name.toStdString());
    const StoreResult added = AddTemplate(q_, name);
    EXPECT_FALSE(added.ok);
    EXPECT_FALSE(added.message.isEmpty());
    EXPECT_FALSE(RenameTemplate(q_, "Demo 1", name).ok);
    EXPECT_FALSE(AddLayer(q_, "Demo 1", name).ok);
    EXPECT_FALSE(RenameLayer(q_, "Demo 1", "Demo 1_Layer 1", name).ok);
    EXPECT_EQ(Snapshot(folder_), before);
  }
  EXPECT_FALSE(fs::exists(folder_.parent_path() / "outside.xml"));
}

TEST_F(TemplateStoreTest, ARenameWhoseFileRenameFailsPutsTheIndexBack) {
  ASSERT_TRUE(AddTemplate(q_, "Holiday").ok);
  const std::string index = ReadFile(folder_ / "qthumb.xml");
  fs::remove(folder_ / "Holiday.xml");

  const StoreResult result = RenameTemplate(q_, "Holiday", "Summer");
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.message.contains("Holiday.xml")) << result.message.toStdString();
  EXPECT_EQ(ReadFile(folder_ / "qthumb.xml"), index);
  EXPECT_FALSE(fs::exists(folder_ / "Summer.xml"));
}

TEST_F(TemplateStoreTest, AddingWithoutAnIndexMakesAFreshOne) {
  fs::remove(folder_ / "qthumb.xml");
  ASSERT_TRUE(AddTemplate(q_, "Holiday").ok);
  EXPECT_EQ(ReadTemplateNames(q_), QStringList({"Holiday"}));
}

TEST_F(TemplateStoreTest, RemovingNeverDeletesOutsideTheFolder) {
  // A hand-edited template file that lists a path for a layer.
  WriteFile(env_.Root() / "victim.xml", "keep");
  WriteFile(folder_ / "Demo 1.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n<layer>../victim</layer>\r\n"
            "<layer>Demo 1_Layer 1</layer>\r\n</Layers>\r\n");
  ASSERT_TRUE(RemoveTemplate(q_, "Demo 1").ok);
  EXPECT_EQ(ReadFile(env_.Root() / "victim.xml"), "keep");
  EXPECT_FALSE(fs::exists(folder_ / "Demo 1_Layer 1.xml"));
}

TEST_F(TemplateStoreTest, AddRenameAndRemoveALayer) {
  ASSERT_TRUE(AddLayer(q_, "Demo 1", "Logo").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Demo 1"), QStringList({"Demo 1_Layer 1", "Logo"}));
  EXPECT_EQ(LoadLayer("Logo").rotation, 30);

  const StoreResult taken = AddLayer(q_, "Demo 1", "logo");
  EXPECT_FALSE(taken.ok);
  EXPECT_EQ(taken.message, "The layer name has exist, please input a different name!");

  ASSERT_TRUE(RenameLayer(q_, "Demo 1", "Logo", "Corner").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Demo 1"), QStringList({"Demo 1_Layer 1", "Corner"}));
  EXPECT_TRUE(fs::exists(folder_ / "Corner.xml"));
  EXPECT_FALSE(fs::exists(folder_ / "Logo.xml"));

  ASSERT_TRUE(RemoveLayer(q_, "Demo 1", "Corner").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Demo 1"), QStringList({"Demo 1_Layer 1"}));
  EXPECT_FALSE(fs::exists(folder_ / "Corner.xml"));
}

TEST_F(TemplateStoreTest, ALayerIsAddedToATemplateWithoutALayerList) {
  WriteFile(folder_ / "Demo 1.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Other/>\r\n");
  ASSERT_TRUE(AddLayer(q_, "Demo 1", "Logo").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Demo 1"), QStringList({"Logo"}));
}

}  // namespace
}  // namespace vidmora::test
