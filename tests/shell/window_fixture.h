#pragma once

// A first start in a clean home, a main window over it, and helpers to make
// sources and wait for what the window shows.

#include "app/shell/file_list_model.h"
#include "app/shell/main_window.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <QAbstractButton>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace vidmora::test {

// The list's rows' states, top to bottom.
inline std::vector<RowState> States(const FileListModel& files) {
  std::vector<RowState> states;
  for (int row = 0; row < files.rowCount(); ++row) states.push_back(files.StateAt(row));
  return states;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A copy of a sample clip (320 x 240, 1 s unless `spec` says otherwise)
  // under the test's folder.
  QString MakeSource(const std::string& name, const ClipSpec& spec = SmallClip());
  static ClipSpec SmallClip();
  // A clip whose encode takes long enough to act while it runs.
  static ClipSpec LongClip();

  // The output a first start's settings give for a source: beside it, "_new".
  std::filesystem::path OutputOf(const std::string& sourceName, const std::string& extension = "mp4") const;

  QAbstractButton* Button(const char* name) const;
  // Runs the event loop until `done` holds; false after a generous time-out.
  static bool WaitFor(const std::function<bool()>& done, int timeoutMs = 120000);
  // Starts the run with the toolbar and waits for its end.
  void RunToTheEnd();

  TempEnv env_;
  std::filesystem::path sources_;
  std::unique_ptr<CMainDlgUI> window_;
};

}  // namespace vidmora::test
