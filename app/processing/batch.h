#pragma once

// The batch: runs the transcode job over every queued file, one after the
// other on one worker thread (or on several side by side, see RunOptions),
// while the front end stays responsive.
//
// Threads: the front end calls every public function of Batch from one thread
// of its own (the user-interface thread of a window). The observer and the
// message sink are called on the batch's worker thread only, one call at a
// time, in the order the events happen; an observer that shows widgets hands
// them to its user-interface thread (BatchSignals does). With several workers
// the calls come from any of them, still one at a time. The observer and the
// sink must outlive the batch.

#include "app/processing/auto_reset_event.h"
#include "app/processing/encode_progress.h"
#include "app/processing/job_settings.h"
#include "app/processing/recipients.h"
#include "app/processing/run_progress.h"
#include "app/processing/transcode_job.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <thread>

namespace vidmora {

class MessageSink;

enum class RowState {
  Ready,    // waiting
  Doing,    // being encoded
  Done,     // the output was written
  Failed,   // nothing was written because something went wrong (see the reason)
  Skipped,  // nothing was written, as the naming rules ask (see the reason)
};

// A row's state as the observer learns it.
struct RowStatus {
  RowState state = RowState::Ready;
  QString reason;      // Failed and Skipped: one line for the user; Done: a note
                       // when the output got another name than planned, and how
                       // much was copied when only the marked pictures were
                       // re-encoded ("copied 98 %, re-encoded 2 %"); else empty
  QString outputPath;  // Doing: the file being written; Done: the file written;
                       // Failed, Skipped: the planned output, which may not
                       // exist (empty when none was decided); Ready: empty
  QStringList notes;   // Done: what the output could not keep of the source, one line each
  bool retryMayHelp = false;  // Failed: the cause may pass (see JobResult)
  // With a recipient list (RunOptions::recipients), one output per
  // recipient: the recipient of the output being written (Doing), of the
  // last one written (Done) or of the one not done (Failed, Skipped), its
  // place in the list from 1, and the list's length; else empty and 0.
  QString recipient = {};
  int recipientNumber = 0;
  int recipients = 0;
};

// How a run treats existing outputs and how many files it encodes at once.
struct RunOptions {
  ExistingOutputs existing = ExistingOutputs::SameSourceOnly;
  ExistingOutputQuestion* question = nullptr;  // for Ask (transcode_job.h); must outlive the run
  bool skipExisting = false;
  int filesAtOnce = 1;
  // Threads each encoder may use; 0: the codecs' own choice (with several
  // files at once, set it so that the machine is not oversubscribed).
  int encoderThreads = 0;
  // One output per file and recipient (recipients.h), named for the
  // recipient; a row is done when all of its outputs are. Checked before
  // the run (RecipientsProblem). Empty: one output per file.
  std::vector<Recipient> recipients;
  QString namePattern;  // tokens for output names (OutputNaming); empty: the source's name
};

// Threads per encoder so that `filesAtOnce` files encoded at once share the
// processors; 0 (the codecs' own choice) for one file at a time.
int SharedEncoderThreads(int filesAtOnce);

enum class RunOutcome {
  AllDone,    // every row was handled (some may have failed or been skipped)
  Stopped,    // Stop ended the run between two files; the rest stay ready
  Abandoned,  // Abandon (or Abort) ended the run during a file, which failed
};

struct RunSummary {
  RunOutcome outcome = RunOutcome::AllDone;
  int done = 0;
  int failed = 0;
  int skipped = 0;
  int notProcessed = 0;    // rows left ready: the run was stopped or abandoned first
  QString lastOutputPath;  // the last output actually written; empty when none has been
};

// The batch's events. Called on the batch's worker thread only (see above).
class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  // A run begins over `rows` rows; every row is then reported Ready.
  virtual void RunStarted(int rows) { (void)rows; }
  virtual void RowStateChanged(int row, const RowStatus& status) = 0;
  // Progress of the row being encoded (fraction, frames per second, time left).
  virtual void RowProgressed(int row, const EncodeProgress& progress) = 0;
  // The whole run's progress (see RunProgress), after each row's change and
  // progress report.
  virtual void RunProgressed(const RunFraction& run) { (void)run; }
  // The run ended; the last event of a run.
  virtual void RunFinished(const RunSummary& summary) = 0;
};

class Batch {
 public:
  Batch(JobSettingsSource& settings, BatchObserver& observer, MessageSink* messages, QString programFolder);
  // Abandons a running batch's current file and waits for the worker.
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // The queue. Files may be added during a run (they are picked up when they
  // come after the current row); removing and making ready again are
  // refused while a run goes on. A row added as done (a queue kept from an
  // earlier session) is left alone by a run of RunRows::NotDone.
  int AddFile(const QString& sourcePath, RowState state = RowState::Ready);
  bool RemoveFile(int row);
  // Moves the row at `from` so that it ends up at `to` (both 0..rows-1, `to`
  // counted after the row was taken out); refused while a run goes on or for
  // a row that does not exist.
  bool MoveFile(int from, int to);
  // "Run again": the next run of RunRows::NotDone encodes the row again.
  bool SetReady(int row);
  QStringList Files() const;
  RowState State(int row) const;

  // For the next runs; not during a run.
  void SetRunOptions(const RunOptions& options);

  // Starts a run over all rows (every row turned ready first), or over the rows
  // not done yet (failed and skipped ones turned ready; done ones stay done and
  // are not encoded again). False when a run is going on.
  enum class RunRows { All, NotDone };
  bool StartProcessing(RunRows rows = RunRows::All);
  // Stops the run before the next file; the current file is finished.
  void Stop();
  // Stops the run and abandons the current file (its partial output removed);
  // returns at once.
  void Abort();
  // For a window that closes during a run: Abort, then wait until the worker
  // has ended. An encode asks whether to go on after each packet, at most
  // every quarter second, so this takes about that long; a job not yet
  // encoding first finishes the step it is in (probing, checking the
  // template) and stops as its encode begins. Harmless when no run goes on.
  void Abandon();
  bool IsRunning() const { return running_.load(); }
  // Waits for the current run to end.
  void Wait();
  QString LastOutputPath() const;

 private:
  class RowListener;
  struct Run;
  void ProcessQueue();
  void Work(Run& run);
  // The source of `row`; false after the last row.
  bool FileAt(int row, QString& sourcePath) const;
  void SetState(int row, const RowStatus& status);
  // Under observerMutex_.
  void ReportRunProgress();

  JobSettingsSource& settings_;
  BatchObserver& observer_;
  MessageSink* messages_;
  const QString programFolder_;
  RunOptions runOptions_;
  std::mutex observerMutex_;  // one observer call at a time
  RunProgress runProgress_;   // under observerMutex_

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
