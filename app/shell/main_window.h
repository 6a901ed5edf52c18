#pragma once

// CMainDlgUI: the main window. The toolbar, the template list on the left,
// the file list on the right, and a status line with the batch's progress.
// Files are added with the file dialog or by dropping files and folders;
// the batch runs them through the engine (BatchRunner). Actions that belong
// to other windows leave as signals, and the help menu's actions are
// connected by the program's host.

#include "app/shell/base_window.h"
#include "app/shell/help_menu.h"

#include <QStringList>

class QAbstractButton;
class QLabel;
class QListView;
class QProgressBar;
class QStringListModel;

namespace vidmora {

class BatchRunner;
class FileListModel;
class WindowMessageSink;
struct RunSummary;

class CMainDlgUI : public CBaseDlgUI {
  Q_OBJECT

 public:
  explicit CMainDlgUI(QWidget* parent = nullptr);
  ~CMainDlgUI() override;

  // Adds videos (folders give the videos inside them). Paths already listed
  // are left out; paths that are not videos are refused and counted in the
  // status line. Returns the number of rows added.
  int AddFiles(const QStringList& paths);
  // Removes the selected rows (not during a run).
  void RemoveSelectedFile();
  // The list's commands (not during a run): the rows that are done, all rows;
  // failed rows, or the selected ones, ready to be encoded again.
  void RemoveDoneFiles();
  void ClearFiles();
  void RetryFailedFiles();
  void RunSelectedAgain();
  // Runs the rows not done yet; when every row is done, asks whether to run
  // them all again.
  void StartProcessing();
  void StopProcessing();
  // Starts vidplay on the selected file (row 0 when none is selected).
  void StartPreviewPlayer();
  // A done row's output (the current row's): played with the desktop's
  // player, or shown in the file manager (else its folder opened). A failure
  // is said in the status line.
  void PlaySelectedOutput();
  void ShowSelectedOutputInFolder();
  // The D-Bus connection (by its name) that the file manager and the
  // desktop's notifications are reached on; the session bus unless set.
  void SetDesktopBus(const QString& connectionName) { desktopBusName_ = connectionName; }
  // Asks for the output preview picture of the selected file (row 0 when
  // none is selected); nothing when the list is empty.
  void RequestOutputPreview();

  // The selected file's path, row 0 selected first when none is; empty when
  // the list is empty.
  QString SelectedFilePath();
  // Moves the selection `delta` rows and gives the new row's path; empty,
  // the selection unchanged, when that row does not exist.
  QString MoveFileSelection(int delta);

  FileListModel& Files() { return *files_; }
  BatchRunner& Runner() { return *runner_; }
  const HelpMenu& Help() const { return help_; }

  // The template list.
  void SetTemplateNames(const QStringList& names, int selectedRow);
  QString SelectedTemplateName() const;
  int SelectedTemplateRow() const;  // -1 when none
  void AddTemplateRow(const QString& name);
  void RemoveTemplateRow(const QString& name);
  void RenameSelectedTemplateRow(const QString& newName);

  // The window's size and place as `placeFile` keeps them (restored where
  // the screens allow); without one, 803 x 580 centred on its screen.
  void RestorePlace(const QString& placeFile);
  void StorePlace(const QString& placeFile) const;

  // Keeps the list in `queueFile` from now on: its rows are added (with the
  // states they had) and every change of the list is written there. Returns a
  // warning for the user when the file was damaged (it is kept aside), else
  // an empty string.
  QString KeepQueueIn(const QString& queueFile);

  // Whether the file manager shows the last output when a run ends (on by
  // default; tests turn it off).
  void SetRevealOutputAtEnd(bool reveal) { revealOutputAtEnd_ = reveal; }
  // Whether the desktop is notified when a run ends (on by default).
  void SetNotifyAtEnd(bool notify) { notifyAtEnd_ = notify; }

 signals:
  void addTemplateRequested();      // "add_template_btn"
  void templateMenuRequested();     // "menu_template_btn"
  void editTemplateRequested();     // double click on a template row
  void resizeSettingsRequested();   // "resize_toolbar_btn"
  void preferencesRequested();      // "preference_toolbar_btn"
  void outputPreviewRequested();    // the file list's context menu
  void runEnded(const vidmora::RunSummary& summary);

 private slots:
  // The desktop notification's action (org.freedesktop.Notifications' ActionInvoked).
  void OnNotificationAction(uint id, const QString& action);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Files dragged over the list from outside are the window's to add; the
  // list itself takes only its own rows.
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  // Takes the recipient list at `path` for the next runs; false (with a
  // message) when it cannot be used.
  bool UseRecipients(const QString& path);

 private:
  void FindControls();
  void SetUpLists();
  void ConnectControls();
  void AddFilesWithDialog();
  void UpdateButtons();
  void ShowStatus(const QString& text);
  void ShowFileMenu(const QPoint& position);
  // The settings line under the list, read again from the stored settings.
  void UpdateSettingsSummary();
  // The current row's output when the row is done and the file is there;
  // else empty, with the reason in the status line.
  QString CurrentOutput();
  void OnRunningChanged(bool running);
  void OnBatchProgress(double fraction, double secondsLeft);
  void OnRunEnded(const vidmora::RunSummary& summary);
  // Removes the rows for which `remove` holds, from the bottom up.
  template <typename Predicate>
  int RemoveRowsWhere(Predicate remove);
  void ScheduleQueueSave();
  // "Recipients…": a list for one output per file and recipient, and the
  // run's size beside it ("12 files × 40 recipients = 480 outputs").
  void ChooseRecipients();
  void ShowRecipientSummary();
  void WriteQueueNow();

  HelpMenu help_;
  QString queueFile_;  // empty: the list is not kept
  bool savePending_ = false;
  FileListModel* files_ = nullptr;
  QStringListModel* templates_ = nullptr;
  WindowMessageSink* messages_ = nullptr;
  BatchRunner* runner_ = nullptr;
  bool revealOutputAtEnd_ = true;
  QString desktopBusName_;  // empty: the session bus
  bool notifyAtEnd_ = true;
  bool listeningToNotifications_ = false;
  uint lastNotification_ = 0;  // the id of the last run's notification; 0: none
  QString lastNotifiedOutput_;

  QAbstractButton* menuButton_ = nullptr;
  QAbstractButton* addButton_ = nullptr;
  QAbstractButton* removeButton_ = nullptr;
  QAbstractButton* previewButton_ = nullptr;
  QAbstractButton* processButton_ = nullptr;
  QAbstractButton* stopButton_ = nullptr;
  QAbstractButton* resizeButton_ = nullptr;
  QAbstractButton* preferenceButton_ = nullptr;
  QAbstractButton* addTemplateButton_ = nullptr;
  QAbstractButton* menuTemplateButton_ = nullptr;
  QListView* templateList_ = nullptr;
  QListView* fileList_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QLabel* timeLeftLabel_ = nullptr;
  QProgressBar* batchProgress_ = nullptr;
  QAbstractButton* settingsSummary_ = nullptr;  // "settings_summary_btn", under the list
};

struct JobSettings;
// The line under the list: where outputs go and how, "~/Videos/out · MP4
// H264 · bit rate auto".
QString SettingsSummaryText(const JobSettings& settings);

// The status line after a run: "Finished: 3 done, 1 failed, 0 skipped." or
// "Stopped: ..., 2 not processed."
QString RunSummaryText(const vidmora::RunSummary& summary);

}  // namespace vidmora
