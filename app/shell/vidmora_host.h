#pragma once

// CVidmoraDlg: the program's start-up and shutdown around the main window,
// and the place where the help menu's actions and the windows they open are
// connected. Lives on the user-interface thread.

#include <QObject>

#include <memory>

namespace vidmora {

class CMainDlgUI;

class CVidmoraDlg : public QObject {
  Q_OBJECT

 public:
  CVidmoraDlg();
  ~CVidmoraDlg() override;

  // Prepares the data folder (first start: "preference.xml" and the demo
  // template), fills the template list, shows the main window at the top-left
  // corner, 803 x 580, and shows the quick-start window a second later unless
  // the user chose not to see it.
  void Start();
  // Stores the selected template row and empties the preview cache.
  void Shutdown();

  CMainDlgUI& Window() { return *window_; }

  void ShowAbout();
  void ShowQuickStart();

 private:
  void ConnectHelpMenu();
  void CheckForUpdate();

  std::unique_ptr<CMainDlgUI> window_;
};

}  // namespace vidmora
