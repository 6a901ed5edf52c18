#include "app/processing/output_plan.h"

#include <gtest/gtest.h>

namespace vidmora {
namespace {

TEST(OutputPlan, NamesTheOutputFromFolderBaseNameSuffixAndFormat) {
  struct Case {
    const char* source;
    const char* folder;
    const char* suffix;
    const char* expected;
    int folderOpts;
    int nameOpts;
    int format;
  };
  const Case cases[] = {
      {"/v/clip.avi", "", "", "/v/clip.mp4", 0, 0, 1},
      {"/v/clip.avi", "", "_wm", "/v/clip_wm.mp4", 0, 1, 1},
      {"/v/x.y.z.mov", "", "", "/v/x.y.z.mkv", 0, 0, 3},
      {"/v/clip.avi", "/out", "_new", "/out/clip_new.webm", 1, 1, 5},
      {"/v/clip.avi", "/out/", "", "/out/clip.m4v", 1, 0, 6},  // a trailing "/" is not doubled
      {"/v.d/clip", "", "", "/v.d/clip.avi", 0, 0, 2},         // a dot in the folder is not the extension
      {"/v/clip.avi", "", "ignored", "/v/clip.3gp", 0, 0, 4},  // the suffix only counts when renaming
      {"/v/clip.avi", "", "", "/v/clip.mp4", 0, 1, 1},         // renaming with an empty suffix
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    OutputPreferences preferences;
    preferences.outputFolderOpts = c.folderOpts;
    preferences.outputFolderPath = c.folder;
    preferences.outputFileNameOpts = c.nameOpts;
    preferences.outputFileNameSuffix = c.suffix;
    EncodingSettings settings;
    settings.container = *ContainerFromIndex(c.format);
    EXPECT_EQ(PlanOutput(c.source, preferences, settings).path, c.expected);
  }
}

TEST(OutputPlan, BaseNameStopsAtTheLastDot) {
  EXPECT_EQ(PlanOutput("/v/x.y.z.mov", {}, {}).baseName, "x.y.z");
  EXPECT_EQ(PlanOutput("/v/.hidden", {}, {}).baseName, ".hidden");
}

}  // namespace
}  // namespace vidmora
