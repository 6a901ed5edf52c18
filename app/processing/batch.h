#pragma once

// The batch: runs the transcode job over every queued file, one after the
// other, on one worker thread, while the front end stays responsive.
//
// Threads: the front end calls every public function from its own thread.
// The worker calls the observer and the message sink; an observer that shows
// widgets must hand the calls to its user-interface thread.

#include "app/processing/auto_reset_event.h"
#include "app/processing/encode_progress.h"
#include "app/processing/job_settings.h"
#include "app/processing/transcode_job.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <thread>

namespace vidmora {

class MessageSink;

enum class RowState {
  Ready,   // waiting, or skipped by the naming rules
  Doing,   // being encoded
  Done,    // the output was written
  Failed,  // nothing was written because something went wrong
};

class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  virtual void RunStarted() {}
  // A row changed state; `detail` says why for a skipped or failed row, and
  // notes a changed output name for a done one.
  virtual void RowStateChanged(int row, RowState state, const QString& detail) = 0;
  virtual void RowProgressed(int row, const EncodeProgress& progress) = 0;
  // The run ended (all rows done, or stopped); the last output actually
  // written, empty when none has been since the batch was made.
  virtual void RunFinished(const QString& lastOutputPath) = 0;
};

class Batch {
 public:
  Batch(JobSettingsSource& settings, BatchObserver& observer, MessageSink* messages, QString programFolder);
  // Asks a running batch to stop after the current file and waits for it.
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // The queue. Files may be added during a run (they are picked up when they
  // come after the current row); removing is refused while a run goes on.
  int AddFile(const QString& sourcePath);
  bool RemoveFile(int row);
  QStringList Files() const;
  RowState State(int row) const;

  // Starts a run over all rows, every row turned ready first. False when a run
  // is going on.
  bool StartProcessing();
  // Stops the run before the next file; the current file is finished.
  void Stop();
  // Stops the run and abandons the current file (its partial output removed).
  void Abort();
  bool IsRunning() const { return running_.load(); }
  // Waits for the current run to end.
  void Wait();
  QString LastOutputPath() const;

 private:
  class RowListener;
  void ProcessQueue();
  // The source of `row`; false after the last row.
  bool FileAt(int row, QString& sourcePath) const;
  void SetState(int row, RowState state, const QString& detail);

  JobSettingsSource& settings_;
  BatchObserver& observer_;
  MessageSink* messages_;
  const QString programFolder_;

  // Shared between the front end's thread and the worker, under mutex_.
  mutable std::mutex mutex_;
  QStringList files_;
  std::vector<RowState> states_;
  QString lastOutputPath_;

  AutoResetEvent stopEvent_;
  std::atomic<bool> abortEncode_{false};
  std::atomic<bool> running_{false};
  std::thread worker_;
};

}  // namespace vidmora
