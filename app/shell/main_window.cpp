#include "app/shell/main_window.h"

#include "app/processing/encoding_choices.h"
#include "app/processing/engine.h"
#include "app/processing/job_settings.h"
#include "app/processing/paint_size.h"
#include "app/processing/recipients.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_check.h"
#include "app/settings/language_manager.h"
#include "app/shell/batch_runner.h"
#include "app/shell/external_programs.h"
#include "app/shell/file_list_model.h"
#include "app/shell/file_row_delegate.h"
#include "app/shell/run_notification.h"
#include "app/shell/show_in_file_manager.h"
#include "app/shell/skin.h"
#include "app/shell/video_files.h"
#include "app/shell/window_message_sink.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStringListModel>
#include <QTimer>
#include <QToolButton>

namespace vidmora {

namespace {

void Enable(QAbstractButton* button, bool enabled) {
  if (button) button->setEnabled(enabled);
}

QDBusConnection DesktopBus(const QString& name) {
  return name.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(name);
}

QString FileCount(int count) {
  return count == 1 ? UiText(QStringLiteral("1 file")) : UiText(QStringLiteral("%1 files")).arg(count);
}

}  // namespace

QString SettingsSummaryText(const JobSettings& settings) {
  QString folder = UiText(QStringLiteral("beside each source"));
  if (settings.output.outputFolderOpts == 1) {
    folder = QDir::cleanPath(settings.output.outputFolderPath);
    const QString home = QDir::homePath();
    if (folder == home || folder.startsWith(home + QLatin1Char('/')))
      folder = QLatin1Char('~') + folder.mid(home.size());
  }
  const EncodingSettings& encoding = settings.encoding;
  const QString rate = encoding.videoBitrateKbps ? UiText(QStringLiteral("%1 kbit/s")).arg(*encoding.videoBitrateKbps)
                                                 : UiText(QStringLiteral("bit rate auto"));
  return QStringList{folder,
                     QStringLiteral("%1 %2").arg(QString::fromLatin1(Info(encoding.container).text),
                                                 QString::fromLatin1(Info(encoding.videoCodec).text)),
                     rate}
      .join(QStringLiteral(" · "));
}

QString RunSummaryText(const RunSummary& summary) {
  QString text = UiText(QStringLiteral("%1: %2 done, %3 failed, %4 skipped"))
                     .arg(summary.outcome != RunOutcome::AllDone ? UiText(QStringLiteral("Stopped"))
                                                                 : UiText(QStringLiteral("Finished")))
                     .arg(summary.done)
                     .arg(summary.failed)
                     .arg(summary.skipped);
  if (summary.notProcessed > 0) text += UiText(QStringLiteral(", %1 not processed")).arg(summary.notProcessed);
  return text + QLatin1Char('.');
}

CMainDlgUI::CMainDlgUI(QWidget* parent) : CBaseDlgUI(QStringLiteral("maindlg.xml"), Resizing::Free, parent) {
  setObjectName(QStringLiteral("main_window"));
  setWindowTitle(QStringLiteral("Vidmora"));
  setWindowIcon(SkinIcon(QStringLiteral("vidmora")));
  setAcceptDrops(true);
  setSizeGripEnabled(false);

  files_ = new FileListModel(this);
  templates_ = new QStringListModel(this);
  messages_ = new WindowMessageSink(this);
  runner_ = new BatchRunner(*files_, messages_, ProgramFolder(), this);
  help_ = BuildHelpMenu(this);

  FindControls();
  SetUpLists();
  ConnectControls();
  UpdateButtons();
  UpdateSettingsSummary();
  ShowStatus(UiText(QStringLiteral("Add videos with the Add button, or drop files and folders here.")));
}

CMainDlgUI::~CMainDlgUI() {
  // A change not written yet is written before the window goes.
  if (savePending_) WriteQueueNow();
}

void CMainDlgUI::FindControls() {
  if (!IsSkinLoaded()) return;
  if (auto* name = Control<QLabel>("program_name_label")) name->setText(QStringLiteral("Vidmora"));
  if (auto* icon = Control<QLabel>("program_icon_label"))
    icon->setPixmap(SkinIcon(QStringLiteral("vidmora")).pixmap(20, 20));
  menuButton_ = Control<QAbstractButton>("menu_btn");
  addButton_ = Control<QAbstractButton>("add_toolbar_btn");
  removeButton_ = Control<QAbstractButton>("remove_toolbar_btn");
  previewButton_ = Control<QAbstractButton>("preview_toolbar_btn");
  processButton_ = Control<QAbstractButton>("process_toolbar_btn");
  stopButton_ = Control<QAbstractButton>("stop_toolbar_btn");
  resizeButton_ = Control<QAbstractButton>("resize_toolbar_btn");
  preferenceButton_ = Control<QAbstractButton>("preference_toolbar_btn");
  addTemplateButton_ = Control<QAbstractButton>("add_template_btn");
  menuTemplateButton_ = Control<QAbstractButton>("menu_template_btn");
  templateList_ = Control<QListView>("template_list");
  fileList_ = Control<QListView>("file_list");
  statusLabel_ = Control<QLabel>("status_label");
  timeLeftLabel_ = Control<QLabel>("time_left_label");
  batchProgress_ = Control<QProgressBar>("batch_progress");

  // Pictures of the skin, by control.
  const std::pair<const char*, const char*> pictures[] = {
      {"menu_btn", "menu"},
      {"add_toolbar_btn", "add"},
      {"remove_toolbar_btn", "remove"},
      {"preview_toolbar_btn", "preview"},
      {"process_toolbar_btn", "process"},
      {"stop_toolbar_btn", "stop"},
      {"resize_toolbar_btn", "resize"},
      {"preference_toolbar_btn", "preference"},
      {"add_template_btn", "add_template"},
      {"menu_template_btn", "menu_template"},
  };
  for (const auto& [control, picture] : pictures) {
    if (auto* button = Control<QAbstractButton>(control)) button->setIcon(SkinIcon(QString::fromLatin1(picture)));
  }
  if (batchProgress_) batchProgress_->hide();
  // Under the list: the settings in one line; a click opens the preferences.
  if (fileList_) {
    if (auto* grid = qobject_cast<QGridLayout*>(fileList_->parentWidget()->layout())) {
      auto* summary = new QPushButton(fileList_->parentWidget());
      summary->setObjectName(QStringLiteral("settings_summary_btn"));
      summary->setFlat(true);
      summary->setCursor(Qt::PointingHandCursor);
      summary->setToolTip(UiText(QStringLiteral("Where the outputs go and how they are encoded; click to change")));
      summary->setStyleSheet(
          QStringLiteral("QPushButton { text-align: left; color: #6b7584; border: none; "
                         "padding: 4px 2px; } QPushButton:hover { color: #2f6fed; } "
                         "QPushButton:focus { color: #2f6fed; text-decoration: underline; }"));
      grid->addWidget(summary, grid->rowCount(), 0);
      settingsSummary_ = summary;
    }
  }
}

void CMainDlgUI::SetUpLists() {
  if (fileList_) {
    fileList_->setModel(files_);
    fileList_->setItemDelegate(new FileRowDelegate(fileList_));
    fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList_->setUniformItemSizes(true);
    fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fileList_->setMouseTracking(true);
    fileList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Rows are dragged to another place; files dropped from outside go to
    // the window (the model takes only its own rows).
    fileList_->setDragDropMode(QAbstractItemView::DragDrop);
    fileList_->setDefaultDropAction(Qt::MoveAction);
    fileList_->setDragDropOverwriteMode(false);
    fileList_->setDropIndicatorShown(true);
    fileList_->viewport()->installEventFilter(this);
  }
  if (templateList_) {
    templateList_->setModel(templates_);
    templateList_->setSelectionMode(QAbstractItemView::SingleSelection);
    templateList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  }
}

void CMainDlgUI::ConnectControls() {
  const auto onClick = [this](QAbstractButton* button, auto slot) {
    if (button) connect(button, &QAbstractButton::clicked, this, slot);
  };
  onClick(menuButton_, [this] { help_.menu->popup(menuButton_->mapToGlobal(QPoint(0, menuButton_->height()))); });
  onClick(addButton_, [this] { AddFilesWithDialog(); });
  onClick(removeButton_, [this] { RemoveSelectedFile(); });
  onClick(previewButton_, [this] { StartPreviewPlayer(); });
  onClick(processButton_, [this] { StartProcessing(); });
  onClick(stopButton_, [this] { StopProcessing(); });
  onClick(resizeButton_, [this] { emit resizeSettingsRequested(); });
  onClick(preferenceButton_, [this] {
    emit preferencesRequested();
    UpdateSettingsSummary();
  });
  onClick(settingsSummary_, [this] {
    emit preferencesRequested();
    UpdateSettingsSummary();
  });
  onClick(addTemplateButton_, [this] { emit addTemplateRequested(); });
  onClick(menuTemplateButton_, [this] { emit templateMenuRequested(); });
  onClick(Control<QAbstractButton>("recipients_btn"), [this] { ChooseRecipients(); });
  ShowRecipientSummary();

  if (fileList_) {
    // A done row plays its output; the others are previewed with the watermark.
    connect(fileList_, &QListView::doubleClicked, this, [this](const QModelIndex& row) {
      if (files_->StateAt(row.row()) == RowState::Done) {
        PlaySelectedOutput();
      } else {
        StartPreviewPlayer();
      }
    });
    fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(fileList_, &QListView::customContextMenuRequested, this, &CMainDlgUI::ShowFileMenu);
    connect(fileList_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { UpdateButtons(); });
    auto* remove = new QShortcut(QKeySequence::Delete, fileList_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] { RemoveSelectedFile(); });
    auto* all = new QShortcut(QKeySequence::SelectAll, fileList_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(all, &QShortcut::activated, fileList_, &QListView::selectAll);
  }
  if (templateList_) {
    connect(templateList_, &QListView::doubleClicked, this, [this] { emit editTemplateRequested(); });
    // A click on empty space does not leave the list without a visible
    // template: the current one stays selected.
    connect(templateList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
      const QModelIndex current = templateList_->currentIndex();
      if (current.isValid() && !templateList_->selectionModel()->hasSelection())
        templateList_->selectionModel()->select(current, QItemSelectionModel::Select);
    });
  }

  // The window's keys: add, process, the quick start.
  const auto onKeys = [this](const QKeySequence& keys, auto slot) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
  };
  onKeys(QKeySequence::Open, [this] { AddFilesWithDialog(); });
  onKeys(QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { StartProcessing(); });
  onKeys(QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { StartProcessing(); });
  onKeys(QKeySequence(Qt::Key_F1), [this] {
    if (help_.quickStart) help_.quickStart->trigger();
  });

  connect(runner_, &BatchRunner::runningChanged, this, &CMainDlgUI::OnRunningChanged);
  connect(runner_, &BatchRunner::batchProgressed, this, &CMainDlgUI::OnBatchProgress);
  connect(runner_, &BatchRunner::runEnded, this, &CMainDlgUI::OnRunEnded);
  connect(runner_, &BatchRunner::queueChanged, this, &CMainDlgUI::ScheduleQueueSave);
  // The row being encoded stays in view.
  connect(runner_, &BatchRunner::rowStarted, this, [this](int row) {
    if (fileList_) fileList_->scrollTo(files_->index(row), QAbstractItemView::EnsureVisible);
  });
  connect(runner_, &BatchRunner::queueChanged, this, &CMainDlgUI::ShowRecipientSummary);
}

void CMainDlgUI::ChooseRecipients() {
  const QString path = QFileDialog::getOpenFileName(this, UiText(QStringLiteral("Recipient list")), QString(),
                                                    UiText(QStringLiteral("CSV files (*.csv);;All files (*)")));
  if (path.isEmpty()) return;
  UseRecipients(path);
}

bool CMainDlgUI::UseRecipients(const QString& path) {
  const RecipientsReading reading = ReadRecipients(path);
  if (!reading.list) {
    QMessageBox::warning(this, ProgramCaption(), reading.problem);
    return false;
  }
  runner_->SetRecipients(*reading.list);
  ShowRecipientSummary();
  return true;
}

void CMainDlgUI::ShowRecipientSummary() {
  auto* label = Control<QLabel>("recipients_label");
  if (label == nullptr) return;
  if (runner_->RecipientCount() == 0) {
    label->setText(UiText(QStringLiteral("No recipients: one output per file")));
    return;
  }
  // The column is narrow: when the line wraps, the count of outputs moves down whole.
  QString summary = OutputCountSummary(files_->rowCount(), runner_->RecipientCount());
  const qsizetype equals = summary.lastIndexOf(QStringLiteral(" = "));
  if (equals >= 0) summary = summary.left(equals + 1) + summary.mid(equals + 1).replace(QChar(' '), QChar(0x00A0));
  label->setText(summary);
}

void CMainDlgUI::RestorePlace(const QString& placeFile) {
  QSettings place(placeFile, QSettings::IniFormat);
  if (restoreGeometry(place.value(QStringLiteral("window/geometry")).toByteArray())) return;
  // The first start: centred on the screen it opens on.
  resize(803, 580);
  if (const QScreen* shown = screen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(shown->availableGeometry().center());
    move(frame.topLeft());
  }
}

void CMainDlgUI::StorePlace(const QString& placeFile) const {
  QSettings place(placeFile, QSettings::IniFormat);
  place.setValue(QStringLiteral("window/geometry"), saveGeometry());
  place.sync();
}

QString CMainDlgUI::KeepQueueIn(const QString& queueFile) {
  QueueRead read = ReadQueue(queueFile);
  // The rows are added before the file is named: adding them does not write
  // it back.
  queueFile_.clear();
  int missing = 0;
  for (const QueuedRow& row : read.rows) {
    if (!QFileInfo::exists(row.sourcePath)) ++missing;
    runner_->AddFile(row.sourcePath, row.status);
  }
  queueFile_ = queueFile;
  UpdateButtons();
  if (!read.rows.empty()) {
    QString text = UiText(QStringLiteral("%1 in the list.")).arg(FileCount(files_->rowCount()));
    if (missing > 0) text += QLatin1Char(' ') + UiText(QStringLiteral("%1 no longer found.")).arg(FileCount(missing));
    ShowStatus(text);
  }
  return read.warning;
}

void CMainDlgUI::ScheduleQueueSave() {
  // Many changes in a row (a folder of files added, a list cleared) are
  // written once, when the event loop next runs.
  if (queueFile_.isEmpty() || savePending_) return;
  savePending_ = true;
  QTimer::singleShot(0, this, [this] {
    if (savePending_) WriteQueueNow();
  });
}

void CMainDlgUI::WriteQueueNow() {
  savePending_ = false;
  if (queueFile_.isEmpty()) return;
  const QString error = WriteQueue(queueFile_, runner_->Rows());
  if (!error.isEmpty()) ShowStatus(error);
}

int CMainDlgUI::AddFiles(const QStringList& paths) {
  const VideoPathScan scan = ScanVideoPaths(paths);
  int added = 0;
  int listed = 0;
  for (const QString& video : scan.videos) (runner_->AddFile(video) ? added : listed)++;
  UpdateButtons();

  QStringList parts{UiText(QStringLiteral("Added %1")).arg(FileCount(added))};
  if (listed > 0) parts << UiText(QStringLiteral("%1 already listed")).arg(listed);
  if (scan.refused > 0) parts << UiText(QStringLiteral("%1 not a supported video")).arg(scan.refused);
  if (!runner_->IsRunning()) ShowStatus(parts.join(QStringLiteral(", ")) + QLatin1Char('.'));
  return added;
}

void CMainDlgUI::AddFilesWithDialog() {
  const QStringList chosen =
      QFileDialog::getOpenFileNames(this, UiText(QStringLiteral("Add Videos")), QString(), VideoFileDialogFilter());
  if (!chosen.isEmpty()) AddFiles(chosen);
}

template <typename Predicate>
int CMainDlgUI::RemoveRowsWhere(Predicate remove) {
  // The worker reads the rows during a run: they stay as they are until it ends.
  if (runner_->IsRunning()) return 0;
  int removed = 0;
  for (int row = files_->rowCount() - 1; row >= 0; --row) {
    if (remove(row) && runner_->RemoveRow(row)) ++removed;
  }
  UpdateButtons();
  ShowStatus(UiText(QStringLiteral("%1 in the list.")).arg(FileCount(files_->rowCount())));
  return removed;
}

void CMainDlgUI::RemoveSelectedFile() {
  if (!fileList_) return;
  const QItemSelectionModel* selection = fileList_->selectionModel();
  if (!selection->hasSelection()) return;
  RemoveRowsWhere([&](int row) { return selection->isRowSelected(row, {}); });
}

void CMainDlgUI::RemoveDoneFiles() {
  RemoveRowsWhere([&](int row) { return files_->StateAt(row) == RowState::Done; });
}

void CMainDlgUI::ClearFiles() {
  RemoveRowsWhere([](int) { return true; });
}

void CMainDlgUI::RetryFailedFiles() {
  for (int row = 0; row < files_->rowCount(); ++row) {
    if (files_->StateAt(row) == RowState::Failed) runner_->SetReady(row);
  }
}

void CMainDlgUI::RunSelectedAgain() {
  if (!fileList_) return;
  for (int row = 0; row < files_->rowCount(); ++row) {
    if (fileList_->selectionModel()->isRowSelected(row, {})) runner_->SetReady(row);
  }
}

void CMainDlgUI::StartProcessing() {
  if (runner_->IsRunning() || files_->rowCount() == 0) return;
  const QString templateName = SelectedTemplateName();
  if (templateName.isEmpty()) {
    QMessageBox::information(this, ProgramCaption(), UiText(QStringLiteral("Choose a template first.")));
    return;
  }
  // Done rows are not encoded again unless asked for.
  if (files_->CountInState(RowState::Done) == files_->rowCount()) {
    const auto answer = QMessageBox::question(
        this, ProgramCaption(), UiText(QStringLiteral("Every file in the list is done. Watermark them all again?")));
    if (answer != QMessageBox::Yes) return;
    for (int row = 0; row < files_->rowCount(); ++row) runner_->SetReady(row);
  }
  // A recipient list must have every column the template names, before any file is encoded.
  if (runner_->RecipientCount() > 0) {
    if (const QString problem =
            MissingColumnsProblem(runner_->Recipients(), TemplateTexts(TemplatesFolder(), templateName));
        !problem.isEmpty()) {
      QMessageBox::warning(this, ProgramCaption(), problem);
      return;
    }
  }
  runner_->Start(templateName);
}

void CMainDlgUI::StopProcessing() {
  if (!runner_->IsRunning()) return;
  runner_->Stop();
  Enable(stopButton_, false);
  ShowStatus(UiText(QStringLiteral("Stopping after the current file...")));
}

QString CMainDlgUI::SelectedFilePath() {
  if (files_->rowCount() == 0 || !fileList_) return {};
  QModelIndex current = fileList_->currentIndex();
  if (!current.isValid()) {
    current = files_->index(0);
    fileList_->setCurrentIndex(current);
  }
  return files_->PathAt(current.row());
}

QString CMainDlgUI::MoveFileSelection(int delta) {
  if (!fileList_) return {};
  const int row = fileList_->currentIndex().row() + delta;
  if (row < 0 || row >= files_->rowCount()) return {};
  fileList_->setCurrentIndex(files_->index(row));
  return files_->PathAt(row);
}

void CMainDlgUI::RequestOutputPreview() {
  if (!SelectedFilePath().isEmpty()) emit outputPreviewRequested();
}

void CMainDlgUI::ShowFileMenu(const QPoint& position) {
  const QModelIndex row = fileList_->indexAt(position);
  if (!row.isValid()) return;
  // A click on a row of the selection keeps the selection; on another row it
  // selects that row alone.
  if (!fileList_->selectionModel()->isSelected(row)) {
    fileList_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
  }
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("file_menu"));
  const auto add = [&](const char* text, const char* name, auto slot) {
    QAction* action = menu.addAction(UiText(QString::fromUtf8(text)));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  const bool running = runner_->IsRunning();
  const RowState state = files_->StateAt(row.row());
  const bool done = state == RowState::Done;
  if (done) {
    add("Play Output", "play_output_action", [this] { PlaySelectedOutput(); });
    add("Show in Folder", "show_in_folder_action", [this] { ShowSelectedOutputInFolder(); });
    menu.addSeparator();
  }
  QAction* play = add("Play with the Watermark", "play_action", [this] { StartPreviewPlayer(); });
  QAction* picture = add("Preview the Output Picture...", "preview_picture_action", [this] { RequestOutputPreview(); });
  menu.addSeparator();
  QAction* again = add("Run Again", "run_again_action", [this] { RunSelectedAgain(); });
  QAction* retry = add("Retry Failed", "retry_failed_action", [this] { RetryFailedFiles(); });
  QAction* remove = add("Remove", "remove_action", [this] { RemoveSelectedFile(); });
  QAction* removeDone = add("Remove Done", "remove_done_action", [this] { RemoveDoneFiles(); });
  QAction* clear = add("Clear", "clear_action", [this] { ClearFiles(); });
  for (QAction* action : {play, picture, remove, clear}) action->setEnabled(!running);
  const auto anyIn = [this](RowState state) { return files_->CountInState(state) > 0; };
  retry->setEnabled(!running && anyIn(RowState::Failed));
  removeDone->setEnabled(!running && anyIn(RowState::Done));
  again->setEnabled(!running && state != RowState::Ready);
  menu.exec(fileList_->viewport()->mapToGlobal(position));
}

QString CMainDlgUI::CurrentOutput() {
  if (!fileList_ || !fileList_->currentIndex().isValid()) return {};
  const int row = fileList_->currentIndex().row();
  QString output = files_->index(row).data(FileListModel::OutputPathRole).toString();
  if (output.isEmpty()) return {};
  if (!QFileInfo::exists(output)) {
    ShowStatus(UiText(QStringLiteral("The output %1 is no longer there.")).arg(QDir::toNativeSeparators(output)));
    return {};
  }
  return output;
}

void CMainDlgUI::PlaySelectedOutput() {
  const QString output = CurrentOutput();
  if (output.isEmpty()) return;
  if (!OpenWithDesktop(output)) {
    ShowStatus(UiText(QStringLiteral("The output %1 could not be played: the desktop has no player for it."))
                   .arg(QDir::toNativeSeparators(output)));
  }
}

void CMainDlgUI::ShowSelectedOutputInFolder() {
  const QString output = CurrentOutput();
  if (output.isEmpty()) return;
  ShowInFileManager(DesktopBus(desktopBusName_), output, this, [this](const QString& failure) {
    if (!failure.isEmpty()) ShowStatus(failure);
  });
}

void CMainDlgUI::StartPreviewPlayer() {
  const QString path = SelectedFilePath();
  if (path.isEmpty()) return;
  // The player paints the watermark at the size the clip is shown at, as the
  // batch places it; a file without a readable picture is named in one
  // message and not played.
  const PaintSize size = SourcePaintSize(EncoderLibraryFolder(), path);
  if (!size.Known()) {
    messages_->ShowMessage(
        UiText(QStringLiteral("%1 cannot be played: it holds no video picture that can be read (%2)."))
            .arg(QDir::toNativeSeparators(path), size.error),
        ProgramCaption(), MessageIcon::Error);
    return;
  }
  if (!StartPlayer(SelectedTemplateName(), path, size.shown)) {
    QMessageBox::warning(
        this, ProgramCaption(),
        UiText(QStringLiteral("The player \"vidplay\" could not be started from the program folder.")));
  }
}

void CMainDlgUI::UpdateButtons() {
  const bool running = runner_->IsRunning();
  const bool hasRows = files_->rowCount() > 0;
  Enable(addButton_, true);
  Enable(processButton_, !running && hasRows);
  Enable(previewButton_, !running && hasRows);
  Enable(removeButton_, !running && hasRows);
  Enable(stopButton_, running && !runner_->IsStopping());
  if (auto* hint = IsSkinLoaded() ? Control<QWidget>("file_list_hint") : nullptr) hint->setVisible(!hasRows);
}

void CMainDlgUI::UpdateSettingsSummary() {
  if (settingsSummary_)
    settingsSummary_->setText(SettingsSummaryText(StoredJobSettings(SelectedTemplateName()).Load()));
}

void CMainDlgUI::ShowStatus(const QString& text) {
  if (statusLabel_) statusLabel_->setText(text);
}

void CMainDlgUI::OnRunningChanged(bool running) {
  UpdateButtons();
  // The worker reads the rows during a run: they are not moved.
  if (fileList_) fileList_->setDragEnabled(!running);
  if (batchProgress_) batchProgress_->setVisible(running);
  if (timeLeftLabel_) timeLeftLabel_->setVisible(running);
  if (running) ShowStatus(UiText(QStringLiteral("Processing %1...")).arg(FileCount(files_->rowCount())));
}

void CMainDlgUI::OnBatchProgress(double fraction, double secondsLeft) {
  if (batchProgress_) batchProgress_->setValue(static_cast<int>(fraction * 1000));
  if (timeLeftLabel_) timeLeftLabel_->setText(TimeLeftText(secondsLeft));
  if (runner_->IsStopping()) return;
  const int finished =
      files_->rowCount() - files_->CountInState(RowState::Ready) - files_->CountInState(RowState::Doing);
  ShowStatus(UiText(QStringLiteral("Processing file %1 of %2..."))
                 .arg(std::min(finished + 1, files_->rowCount()))
                 .arg(files_->rowCount()));
}

void CMainDlgUI::OnRunEnded(const RunSummary& summary) {
  ShowStatus(RunSummaryText(summary));
  if (timeLeftLabel_) timeLeftLabel_->clear();
  if (revealOutputAtEnd_ && summary.done > 0) {
    ShowInFileManager(DesktopBus(desktopBusName_), summary.lastOutputPath, this, [this](const QString& failure) {
      if (!failure.isEmpty()) ShowStatus(failure);
    });
  }
  if (notifyAtEnd_) {
    QDBusConnection bus = DesktopBus(desktopBusName_);
    if (!listeningToNotifications_ && bus.isConnected()) {
      listeningToNotifications_ =
          bus.connect(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"), this,
                      SLOT(OnNotificationAction(uint, QString)));
    }
    // The last output may come from an earlier run: offered only when this
    // run wrote one.
    lastNotifiedOutput_ = summary.done > 0 ? summary.lastOutputPath : QString();
    NotifyRunEnded(bus, NotificationTextOf(summary), !lastNotifiedOutput_.isEmpty(), this,
                   [this](unsigned id) { lastNotification_ = id; });
  }
  emit runEnded(summary);
}

void CMainDlgUI::OnNotificationAction(uint id, const QString& action) {
  if (id == 0 || id != lastNotification_ || action != QLatin1String(kShowInFolderAction)) return;
  ShowInFileManager(DesktopBus(desktopBusName_), lastNotifiedOutput_, this, [this](const QString& failure) {
    if (!failure.isEmpty()) ShowStatus(failure);
  });
}

void CMainDlgUI::SetTemplateNames(const QStringList& names, int selectedRow) {
  templates_->setStringList(names);
  if (!templateList_ || names.isEmpty()) return;
  const int row = selectedRow >= 0 && selectedRow < names.size() ? selectedRow : 0;
  templateList_->setCurrentIndex(templates_->index(row));
}

QString CMainDlgUI::SelectedTemplateName() const {
  const int row = SelectedTemplateRow();
  return row >= 0 ? templates_->stringList().value(row) : QString();
}

int CMainDlgUI::SelectedTemplateRow() const {
  if (!templateList_) return -1;
  const QModelIndex current = templateList_->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void CMainDlgUI::AddTemplateRow(const QString& name) {
  const int row = templates_->rowCount();
  templates_->insertRows(row, 1);
  templates_->setData(templates_->index(row), name);
  if (templateList_) templateList_->setCurrentIndex(templates_->index(row));
}

void CMainDlgUI::RemoveTemplateRow(const QString& name) {
  const int row = static_cast<int>(templates_->stringList().indexOf(name));
  if (row >= 0) templates_->removeRows(row, 1);
}

void CMainDlgUI::RenameSelectedTemplateRow(const QString& newName) {
  const int row = SelectedTemplateRow();
  if (row >= 0) templates_->setData(templates_->index(row), newName);
}

void CMainDlgUI::closeEvent(QCloseEvent* event) {
  if (runner_->IsRunning()) {
    QMessageBox question(QMessageBox::Question, ProgramCaption(),
                         UiText(QStringLiteral("Videos are being processed. Stop and close Vidmora?\n"
                                               "The video being processed now is not kept.")),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("close_question_box"));
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes) {
      event->ignore();
      return;
    }
    runner_->AbandonAndWait();
  }
  event->accept();
  CBaseDlgUI::closeEvent(event);
}

void CMainDlgUI::keyPressEvent(QKeyEvent* event) {
  // Escape does not close the main window as it would a dialog.
  if (event->key() == Qt::Key_Escape) return;
  CBaseDlgUI::keyPressEvent(event);
}

bool CMainDlgUI::eventFilter(QObject* watched, QEvent* event) {
  const bool fromOutside = [&] {
    if (!fileList_ || watched != fileList_->viewport()) return false;
    if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove && event->type() != QEvent::Drop)
      return false;
    const QMimeData* data = static_cast<QDropEvent*>(event)->mimeData();
    return data->hasUrls() && !data->hasFormat(QString::fromLatin1(kListRowsMimeType));
  }();
  if (!fromOutside) return CBaseDlgUI::eventFilter(watched, event);
  auto* drag = static_cast<QDropEvent*>(event);
  if (event->type() == QEvent::Drop) {
    dropEvent(drag);
  } else {
    drag->acceptProposedAction();
  }
  return true;
}

void CMainDlgUI::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasUrls() && !data->hasFormat(QString::fromLatin1(kListRowsMimeType))) event->acceptProposedAction();
}

void CMainDlgUI::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (data->hasFormat(QString::fromLatin1(kListRowsMimeType))) return;
  // An address that is not a local file gives an empty path, refused and counted.
  QStringList paths;
  for (const QUrl& url : data->urls()) paths << url.toLocalFile();
  AddFiles(paths);
  event->acceptProposedAction();
}

}  // namespace vidmora
