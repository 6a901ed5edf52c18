#pragma once

// "Preferences": the "General" and "Video and Audio Setting" pages in tabs.
// OK (or Enter) checks the General page, names what cannot work and stays
// open, else saves both pages and closes; Cancel (or Escape, or the window's
// close button) closes without saving. User-interface thread; opened modally.

#include <QDialog>

#include <memory>

namespace Ui {
class CPreferenceDlg;
}

namespace vidmora {

class CGeneralConfDlg;
class CVideoAudioSettingDlg;

class CPreferenceDlg : public QDialog {
  Q_OBJECT

 public:
  enum Page { kGeneralPage = 0, kVideoAudioPage = 1 };

  // The pages show "preference.xml" of the data folder and the stored
  // encoding settings.
  explicit CPreferenceDlg(QWidget* parent = nullptr);
  ~CPreferenceDlg() override;

  CGeneralConfDlg& GeneralPage() { return *generalPage_; }
  CVideoAudioSettingDlg& VideoAudioPage() { return *videoAudioPage_; }

  void accept() override;

 private:
  std::unique_ptr<Ui::CPreferenceDlg> ui_;
  CGeneralConfDlg* generalPage_ = nullptr;  // owned by the tabs
  CVideoAudioSettingDlg* videoAudioPage_ = nullptr;
};

}  // namespace vidmora
