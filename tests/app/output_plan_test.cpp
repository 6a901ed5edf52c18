#include "app/processing/output_plan.h"

#include <gtest/gtest.h>

namespace vidmora {
namespace {

TEST(OutputPlan, NamesTheOutputFromFolderBaseNameSuffixAndFormat) {
  struct Case {
    const char* source;
    int folderOpts;
    const char* folder;
    int nameOpts;
    const char* suffix;
    int format;
    const char* expected;
  };
  const Case cases[] = {
      {"/v/clip.avi", 0, "", 0, "", 1, "/v/clip.mp4"},
      {"/v/clip.avi", 0, "", 1, "_wm", 1, "/v/clip_wm.mp4"},
      {"/v/x.y.z.mov", 0, "", 0, "", 3, "/v/x.y.z.mkv"},
      {"/v/clip.avi", 1, "/out", 1, "_new", 5, "/out/clip_new.webm"},
      {"/v/clip.avi", 1, "/out/", 0, "", 6, "/out/clip.m4v"},  // a trailing "/" is not doubled
      {"/v.d/clip", 0, "", 0, "", 2, "/v.d/clip.avi"},         // a dot in the folder is not the extension
      {"/v/clip.avi", 0, "", 0, "ignored", 4, "/v/clip.3gp"},  // the suffix only counts when renaming
      {"/v/clip.avi", 0, "", 1, "", 1, "/v/clip.mp4"},         // renaming with an empty suffix
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
