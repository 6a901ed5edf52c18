#include "app/processing/smart_windows.h"

#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vidmora {
namespace {

EditedLayer Text(int start, int end, int repeatEvery = 0, int showFor = 0) {
  EditedLayer layer;
  layer.textContent = u"Preview copy";
  layer.startTime = start;
  layer.endTime = end;
  layer.repeatEvery = repeatEvery;
  layer.showFor = showFor;
  return layer;
}

TEST(SmartWindows, EachLayerGivesWhereItShows) {
  EditedLayer motionOnly = Text(0, 0);
  motionOnly.motionKind = 2;  // bouncing over the whole clip
  EditedLayer empty = Text(0, 0);
  empty.textContent.clear();  // paints nothing
  const std::vector<std::pair<std::vector<EditedLayer>, std::string>> cases = {
      {{Text(0, 10000)}, "0:10000"},
      {{Text(5000, 0)}, "5000:"},
      {{Text(2000, -3000)}, "2000:-3000"},
      {{Text(-50, 400)}, "0:400"},
      {{Text(0, 10000), Text(60000, 61000)}, "0:10000,60000:61000"},
      {{Text(0, 10000, 4000, 1000)}, "0:1000,4000:5000,8000:9000"},
      {{Text(1000, 0, 4000, 1000)}, "1000:"},  // repeats with no end: one window to the end
      {{Text(0, 10000), Text(0, 0)}, kEveryFrameWindows},
      {{motionOnly}, kEveryFrameWindows},
      {{Text(0, 0, 4000, 1000)}, kEveryFrameWindows},
      {{empty, Text(100, 200)}, "100:200"},
      {{}, ""},
  };
  for (const auto& [layers, expected] : cases) EXPECT_EQ(SmartWindowsArgument(layers), expected) << expected;
}

TEST(SmartWindows, ReadsTheTemplatesLayers) {
  test::TempEnv env;
  const QString folder = QString::fromStdString(env.MakeDir("templates").string());
  const std::u16string dir = folder.toStdU16String();
  const std::vector<std::u16string> layers = {u"t_Layer 1", u"t_Layer 2"};
  ASSERT_TRUE(WriteNameList(NamedFilePath(dir, u"t"), kLayerList, layers));
  ASSERT_TRUE(WriteNewLayerFile(dir, u"t_Layer 1", Text(0, 10000)));
  ASSERT_TRUE(WriteNewLayerFile(dir, u"t_Layer 2", Text(20000, 25000)));
  const auto read = ReadTemplateLayers(folder, "t");
  ASSERT_TRUE(read);
  EXPECT_EQ(SmartWindowsArgument(*read), "0:10000,20000:25000");
  EXPECT_FALSE(ReadTemplateLayers(folder, "missing"));
}

}  // namespace
}  // namespace vidmora
