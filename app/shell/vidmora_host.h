#pragma once

// CVidmoraDlg: the program's start-up and shutdown around the main window,
// and the place where the help menu's actions and the windows they open are
// connected. Lives on the user-interface thread.

#include <QObject>
#include <QStringList>

#include <memory>

namespace vidmora {

class CMainDlgUI;
class UpdateMessages;
class TemplateCommands;
class WindowTemplateList;

class CVidmoraDlg : public QObject {
  Q_OBJECT

 public:
  CVidmoraDlg();
  ~CVidmoraDlg() override;

  // Starts the engine (first start: the data folder, "preference.xml" and the
  // demo template), fills the template list, shows the main window where it
  // was last (centred, 803 x 580, the first time), then one message listing what the start
  // repaired (a damaged "preference.xml" kept as ".bak") or could not create,
  // and shows the quick-start window a second later unless the user chose not
  // to see it.
  void Start();
  // Stores the selected template row and the window's place, and empties
  // the preview cache.
  void Shutdown();

  CMainDlgUI& Window() { return *window_; }
  // Made by Start(), once the data folder is ready.
  TemplateCommands* Templates() { return templates_.get(); }

  // Files given on a command line (this start's or a later one's): added to
  // the list, and the window brought to the front.
  void OpenFiles(const QStringList& files);

  void ShowAbout();
  void ShowQuickStart();
  // The silent update check of a start: only for a released version on a
  // machine with a network. The program's main calls it after Start (tests
  // leave it out, so that they never reach the network).
  void CheckForUpdateAtStartup();

 private:
  void ConnectHelpMenu();
  void ConnectTemplateCommands();
  void CheckForUpdate();

  std::unique_ptr<CMainDlgUI> window_;
  std::unique_ptr<UpdateMessages> updateMessages_;
  std::unique_ptr<WindowTemplateList> templateList_;
  std::unique_ptr<TemplateCommands> templates_;
};

}  // namespace vidmora
