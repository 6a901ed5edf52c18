// The template store's file steps: add, rename and remove templates and
// layers, and the names it refuses.
#include "app/processing/templates/template_store.h"
#include "app/processing/templates/layer_store.h"
#include "app/processing/templates/template_names.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <csignal>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// Every file of the folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadFile(entry.path());
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
  EXPECT_EQ(
      ReadFile(folder_ / "Holiday.xml"),
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
      "",
      ".",
      "..",
      "qthumb",
      "QThumb",
      "a/b",
      "../outside",
      "a\\b",
      "a:b",
      "what?",
      "tab\there",
      "line\nbreak",
      "demo 1",          // a template, compared without case
      "DEMO 1_LAYER 1",  // a layer of the template; for a template, a file of the folder
      QString(300, 'x'),
      "   ",
      " Demo 1",
      "Demo 1 ",  // blank, and look-alikes of a name in use
  };
  for (const QString& name : refused) {
    SCOPED_TRACE(name.toStdString());
    const StoreResult added = AddTemplate(q_, name);
    EXPECT_FALSE(added.ok);
    EXPECT_FALSE(added.message.isEmpty());
    EXPECT_FALSE(RenameTemplate(q_, "Demo 1", name).ok);
    // A layer name is compared only with the template's layers.
    if (name != "demo 1") {
      EXPECT_FALSE(AddLayer(q_, "Demo 1", name).ok);
      EXPECT_FALSE(RenameLayer(q_, "Demo 1", "Demo 1_Layer 1", name).ok);
    }
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

  // A renamed layer keeps its file: the template file records the new name.
  ASSERT_TRUE(RenameLayer(q_, "Demo 1", "Logo", "Corner").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Demo 1"), QStringList({"Demo 1_Layer 1", "Corner"}));
  EXPECT_TRUE(fs::exists(folder_ / "Logo.xml"));
  EXPECT_FALSE(fs::exists(folder_ / "Corner.xml"));
  EXPECT_EQ(ReadFile(folder_ / "Demo 1.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers>\r\n"
            "<layer>Demo 1_Layer 1</layer>\r\n<layer name=\"Corner\">Logo</layer>\r\n"
            "</Layers>\r\n");

  ASSERT_TRUE(RemoveLayer(q_, "Demo 1", "Corner").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Demo 1"), QStringList({"Demo 1_Layer 1"}));
  EXPECT_FALSE(fs::exists(folder_ / "Logo.xml"));
}

// A layer name has to be unique only within its template: another template
// gets a layer of the same name in a file of its own, which readers that know
// only file names find too; no file is ever written over.
TEST_F(TemplateStoreTest, LayerNamesAreUniqueOnlyWithinTheirTemplate) {
  ASSERT_TRUE(AddTemplate(q_, "Summer").ok);
  ASSERT_TRUE(AddLayer(q_, "Demo 1", "Logo").ok);
  WriteFile(folder_ / "Logo 2.xml", "not a layer of anyone");  // a stray file keeps its bytes
  ASSERT_TRUE(AddLayer(q_, "Summer", "Logo").ok);
  ASSERT_TRUE(AddLayer(q_, "Summer", "Demo 1_Layer 1").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Summer"), QStringList({"Summer_Layer 1", "Logo", "Demo 1_Layer 1"}));
  EXPECT_EQ(ReadFile(folder_ / "Logo 2.xml"), "not a layer of anyone");
  const auto files = ReadNameList((folder_ / "Summer.xml").u16string(), kLayerList);
  ASSERT_TRUE(files);
  EXPECT_EQ(*files, (std::vector<std::u16string>{u"Summer_Layer 1", u"Logo 3", u"Demo 1_Layer 1 2"}));
  const auto stored = ReadStoredLayers(q_, "Summer");
  ASSERT_TRUE(stored);
  EXPECT_EQ((*stored)[1].path, QString::fromStdString((folder_ / "Logo 3.xml").string()));
  EXPECT_EQ(LoadLayer("Logo 3").textContent, u"Vidmora For Win");

  // Within the template the name is still taken, and a template cannot take a layer's file name.
  EXPECT_FALSE(AddLayer(q_, "Summer", "LOGO").ok);
  EXPECT_FALSE(AddTemplate(q_, "Logo 3").ok);
  // Removing Summer's layer leaves Demo 1's alone.
  ASSERT_TRUE(RemoveLayer(q_, "Summer", "Logo").ok);
  EXPECT_FALSE(fs::exists(folder_ / "Logo 3.xml"));
  EXPECT_TRUE(fs::exists(folder_ / "Logo.xml"));
  ASSERT_TRUE(RemoveTemplate(q_, "Summer").ok);
  EXPECT_TRUE(fs::exists(folder_ / "Demo 1_Layer 1.xml"));
  EXPECT_FALSE(fs::exists(folder_ / "Demo 1_Layer 1 2.xml"));
}

TEST_F(TemplateStoreTest, ALayerIsAddedToATemplateWithoutALayerList) {
  WriteFile(folder_ / "Demo 1.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Other/>\r\n");
  ASSERT_TRUE(AddLayer(q_, "Demo 1", "Logo").ok);
  EXPECT_EQ(ReadLayerNames(q_, "Demo 1"), QStringList({"Logo"}));
}

// A renamed template keeps its layers' names, and a template's own name may
// look like a layer's: a new template never takes another's file.
TEST_F(TemplateStoreTest, ANewTemplateNeverTakesAnotherTemplatesFiles) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, const char*>> before;  // add, then rename when the second is set
    const char* added;
    const char* expectedLayer;
  };
  const Case cases[] = {
      {"renamed_template", {{"Brand", "Brand old"}}, "Brand", "Brand_Layer 2"},
      {"template_named_like_a_layer", {{"X_Layer 1", nullptr}}, "X", "X_Layer 2"},
      {"both", {{"Y", "Y old"}, {"Y_Layer 2", nullptr}}, "Y", "Y_Layer 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [add, rename] : c.before) {
      ASSERT_TRUE(AddTemplate(q_, add).ok);
      if (rename != nullptr) {
        ASSERT_TRUE(RenameTemplate(q_, add, rename).ok);
      }
    }
    const std::map<std::string, std::string> before = Snapshot(folder_);
    ASSERT_TRUE(AddTemplate(q_, c.added).ok);
    EXPECT_EQ(ReadLayerNames(q_, c.added), QStringList({c.expectedLayer}));
    EXPECT_EQ(LoadLayer(c.expectedLayer).textContent, u"Vidmora For Win");
    // Every earlier file is as it was; removing the new template leaves them so.
    std::map<std::string, std::string> after = Snapshot(folder_);
    for (const auto& [file, bytes] : before) {
      if (file != "qthumb.xml") {
        EXPECT_EQ(after[file], bytes) << file;
      }
    }
    ASSERT_TRUE(RemoveTemplate(q_, c.added).ok);
    after = Snapshot(folder_);
    for (const auto& [file, bytes] : before) {
      if (file != "qthumb.xml") {
        EXPECT_EQ(after[file], bytes) << file;
      }
    }
  }
}

// Every name that is accepted can be saved: the longest whose files fit in a
// file name (255 bytes), a template's first layer file included.
TEST_F(TemplateStoreTest, LongNamesAreAcceptedExactlyAsFarAsTheyCanBeSaved) {
  const std::map<std::string, std::string> before = Snapshot(folder_);
  struct Case {
    NamedThing thing;
    int bytes;
    bool accepted;
  };
  const Case cases[] = {
      {NamedThing::kLayer, 251, true},
      {NamedThing::kLayer, 252, false},
      {NamedThing::kTemplate, 243, true},
      {NamedThing::kTemplate, 244, false},
  };
  for (const Case& c : cases) {
    const bool layer = c.thing == NamedThing::kLayer;
    SCOPED_TRACE((layer ? "layer " : "template ") + std::to_string(c.bytes));
    const QString name(c.bytes, layer ? 'l' : 't');
    const StoreResult result = layer ? AddLayer(q_, "Demo 1", name) : AddTemplate(q_, name);
    EXPECT_EQ(result.ok, c.accepted) << result.message.toStdString();
    if (!c.accepted) {
      EXPECT_TRUE(result.message.contains("255")) << result.message.toStdString();
      continue;
    }
    const std::string layerName = layer ? name.toStdString() : name.toStdString() + "_Layer 1";
    EXPECT_EQ(LoadLayer(layerName).textContent, u"Vidmora For Win");
    ASSERT_TRUE((layer ? RemoveLayer(q_, "Demo 1", name) : RemoveTemplate(q_, name)).ok);
  }
  EXPECT_EQ(Snapshot(folder_), before);
}

// Two programs adding templates at the same time both find theirs listed
// (threads here, each with its own lock as a program has).
TEST_F(TemplateStoreTest, TemplatesAddedAtTheSameTimeAreAllListed) {
  constexpr int kThreads = 6;
  constexpr int kEach = 5;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  threads.reserve(kThreads);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([this, t, &failures] {
      for (int i = 0; i < kEach; ++i)
        if (!AddTemplate(q_, QStringLiteral("T%1-%2").arg(t).arg(i)).ok) ++failures;
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  const QStringList names = ReadTemplateNames(q_);
  EXPECT_EQ(names.size(), 1 + kThreads * kEach);
  for (int t = 0; t < kThreads; ++t)
    for (int i = 0; i < kEach; ++i) {
      EXPECT_TRUE(names.contains(QStringLiteral("T%1-%2").arg(t).arg(i)));
    }
}

// A full disk, as a file size limit: the list cannot be written, so nothing
// is renamed and the user is told.
// Runs `step` while this process may write files of 16 bytes at most (as on
// a full disk, a write fails with EFBIG instead of a signal), then lifts it.
template <typename Step>
StoreResult WithTinyFileSizeLimit(Step step) {
  rlimit saved{};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) throw std::runtime_error("getrlimit failed");
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = saved;
  tiny.rlim_cur = 16;
  if (setrlimit(RLIMIT_FSIZE, &tiny) != 0) throw std::runtime_error("setrlimit failed");
  StoreResult result = step();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  return result;
}

TEST_F(TemplateStoreTest, ARenameThatCannotWriteTheListChangesNothing) {
  ASSERT_TRUE(AddLayer(q_, "Demo 1", "Logo").ok);
  const std::map<std::string, std::string> before = Snapshot(folder_);
  struct Case {
    const char* name;
    StoreResult (*rename)(const QString& folder);
    const char* list;
  };
  const Case cases[] = {
      {"template", [](const QString& folder) { return RenameTemplate(folder, "Demo 1", "Renamed"); }, "qthumb.xml"},
      {"layer", [](const QString& folder) { return RenameLayer(folder, "Demo 1", "Logo", "Corner"); }, "Demo 1.xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StoreResult result = WithTinyFileSizeLimit([&] { return c.rename(q_); });
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.contains(c.list)) << result.message.toStdString();
    if (std::string(c.name) == "layer") {
      EXPECT_TRUE(result.message.contains("larger than allowed")) << "the real cause: " << result.message.toStdString();
    }
    EXPECT_EQ(Snapshot(folder_), before);
  }

  // Adding a layer names the cause as well.
  const StoreResult added = WithTinyFileSizeLimit([&] { return AddLayer(q_, "Demo 1", "Corner"); });
  EXPECT_FALSE(added.ok);
  EXPECT_TRUE(added.message.contains("larger than allowed")) << added.message.toStdString();
  EXPECT_EQ(Snapshot(folder_), before);
}

}  // namespace
}  // namespace vidmora::test
