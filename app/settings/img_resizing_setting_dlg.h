#pragma once

// "Output Size": the size the videos are written and previewed at, from and
// into "resizing_config.ini", and the program's "just for this time" choice.
// Closing saves (there is nothing to cancel) and empties the preview cache,
// so that previews are made again. User-interface thread; opened modally.

#include "app/processing/settings/resizing_settings.h"

#include <QDialog>

#include <memory>

namespace Ui {
class CImgResizingSettingDlg;
}

namespace vidmora {

class CImgResizingSettingDlg : public QDialog {
  Q_OBJECT

 public:
  // Shows the settings of the file at `settingsPath`.
  explicit CImgResizingSettingDlg(QString settingsPath, QWidget* parent = nullptr);
  ~CImgResizingSettingDlg() override;

  ResizingSettings Values() const;
  void done(int result) override;

 private:
  void UpdateEnabled();

  std::unique_ptr<Ui::CImgResizingSettingDlg> ui_;
  QString settingsPath_;
  ResizingSettings stored_;  // as read when the dialog opened
};

}  // namespace vidmora
