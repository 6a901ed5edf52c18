#pragma once

// Drives the engine's batch for the main window. The batch's worker reports
// through the engine's Qt adapter, whose signals arrive queued on the
// user-interface thread; only there are the file list's rows and the window's
// controls changed. The batch owns the queue and its run (states, outputs, the
// run's progress and summary); the file list model shows them, fed by the
// batch's events. Rows are added and removed through this class only, so the
// two list the same files in the same order.

#include "app/processing/batch.h"
#include "app/processing/batch_signals.h"
#include "app/processing/job_settings.h"
#include "app/processing/queue_file.h"
#include "app/processing/recipients.h"
#include "app/shell/overwrite_question.h"

#include <QObject>
#include <QString>

#include <memory>
#include <mutex>

namespace vidmora {

class FileListModel;
class MessageSink;

// The stored settings with the template chosen in the window when the run
// started. Read by the worker at the start of every file.
class WindowJobSettings : public JobSettingsSource {
 public:
  void SetTemplateName(const QString& name);
  JobSettings Load() override;

 private:
  std::mutex mutex_;
  QString templateName_;
};

class BatchRunner : public QObject {
  Q_OBJECT

 public:
  BatchRunner(FileListModel& files, MessageSink* messages, const QString& programFolder, QObject* parent = nullptr);
  ~BatchRunner() override;

  // False when the path is listed already. A row kept from an earlier session
  // comes with its status.
  bool AddFile(const QString& sourcePath, const RowStatus& status = {});
  // Refused (false) while a run goes on: the worker reads the rows.
  bool RemoveRow(int row);
  // Moves `rows` (together, in their order) before the row `before`
  // (rowCount: to the end), in the batch and in the list. Refused (false)
  // while a run goes on.
  bool MoveRows(const std::vector<int>& rows, int before);
  // "Run again": the next run encodes the row again, also when it is done.
  bool SetReady(int row);
  // The rows and their statuses, as the queue file keeps them.
  std::vector<QueuedRow> Rows() const;

  // Starts a run with the template over the rows not done yet; false when one
  // is going on.
  bool Start(const QString& templateName);
  // The recipient list of the next runs (recipients.h); empty: one output per file.
  void SetRecipients(RecipientList list) { recipients_ = std::move(list); }
  const RecipientList& Recipients() const { return recipients_; }
  int RecipientCount() const { return static_cast<int>(recipients_.recipients.size()); }
  // Ends the run after the current file.
  void Stop();
  // Ends the run at once: the current file's partial output is removed. Returns
  // when the worker has ended.
  void AbandonAndWait();
  bool IsRunning() const { return running_; }
  bool IsStopping() const { return stopping_; }
  // The worker's events as they happen, emitted on the worker's thread.
  BatchSignals& Events() { return events_; }
  // Asks the user about an existing output that is another file (see
  // ExistingOutputs::Ask), over the window given as this object's parent.
  OverwriteQuestion& Question() { return question_; }

 signals:
  void runningChanged(bool running);
  // The whole run's progress, 0..1, and the estimated seconds left (negative
  // while unknown).
  void batchProgressed(double fraction, double secondsLeft);
  void runEnded(const vidmora::RunSummary& summary);
  // A row was added, removed or changed its state (not its progress).
  void queueChanged();
  // The row's encode has begun.
  void rowStarted(int row);

 private:
  void OnRowState(int row, const RowStatus& status);
  void OnRowProgress(int row, const EncodeProgress& progress);
  void OnRunFinished(const RunSummary& summary);

  FileListModel& files_;
  BatchSignals events_;
  WindowJobSettings settings_;
  OverwriteQuestion question_;  // outlives the batch, whose jobs ask it
  std::unique_ptr<Batch> batch_;
  RecipientList recipients_;
  bool running_ = false;
  bool stopping_ = false;
};

}  // namespace vidmora
