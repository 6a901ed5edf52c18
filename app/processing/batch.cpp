#include "app/processing/batch.h"

#include "app/processing/message_sink.h"
#include "logging/log_interface.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace vidmora {

int SharedEncoderThreads(int filesAtOnce) {
  if (filesAtOnce <= 1) return 0;
  const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return std::max(1, processors / filesAtOnce);
}

namespace {

void LogSource(const QString& sourcePath) {
  CLogInterface::GetInstance(u"Vidmora")->DoLogMessage(sourcePath.toStdU16String());
}

}  // namespace

// Hands one job's events to the batch under the job's row number.
class Batch::RowListener : public JobListener {
 public:
  RowListener(Batch& batch, int row) : batch_(batch), row_(row) {}

  // The planned path; the job may still choose another name (see its result).
  void OutputPathChosen(const QString& path) override { outputPath_ = path; }
  void EncodeStarted() override {
    RowStatus doing{RowState::Doing, {}, outputPath_, {}};
    TellRecipient(doing);
    batch_.SetState(row_, doing);
  }
  bool EncodeProgressed(const EncodeProgress& progress) override {
    {
      std::lock_guard lock(batch_.observerMutex_);
      batch_.observer_.RowProgressed(row_, progress);
      batch_.runProgress_.RowAdvanced(row_, progress.fraction);
      batch_.ReportRunProgress();
    }
    return !batch_.abortEncode_.load();
  }

  // The recipient of the output begun last, into a state of the row.
  void TellRecipient(RowStatus& status) const {
    status.recipient = recipient_;
    status.recipientNumber = recipientNumber_;
    status.recipients = recipients_;
  }
  // The output made next is the recipient's `number` (from 1) of `count`.
  void ForRecipient(const QString& name, int number, int count) {
    recipient_ = name;
    recipientNumber_ = number;
    recipients_ = count;
  }

 private:
  Batch& batch_;
  int row_;
  QString outputPath_;
  QString recipient_;
  int recipientNumber_ = 0;
  int recipients_ = 0;
};

Batch::Batch(JobSettingsSource& settings, BatchObserver& observer, MessageSink* messages, QString programFolder)
    : settings_(settings), observer_(observer), messages_(messages), programFolder_(std::move(programFolder)) {}

Batch::~Batch() { Abandon(); }

int Batch::AddFile(const QString& sourcePath, RowState state) {
  std::lock_guard lock(mutex_);
  files_.append(sourcePath);
  // Only a run makes a row "being encoded".
  states_.push_back(state == RowState::Doing ? RowState::Ready : state);
  return static_cast<int>(files_.size()) - 1;
}

bool Batch::RemoveFile(int row) {
  if (running_.load()) return false;
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= files_.size()) return false;
  files_.removeAt(row);
  states_.erase(states_.begin() + row);
  return true;
}

bool Batch::MoveFile(int from, int to) {
  if (running_.load()) return false;
  std::lock_guard lock(mutex_);
  const int rows = static_cast<int>(files_.size());
  if (from < 0 || from >= rows || to < 0 || to >= rows) return false;
  files_.move(from, to);
  const RowState state = states_[from];
  states_.erase(states_.begin() + from);
  states_.insert(states_.begin() + to, state);
  return true;
}

bool Batch::SetReady(int row) {
  if (running_.load()) return false;
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(states_.size())) return false;
  states_[row] = RowState::Ready;
  return true;
}

QStringList Batch::Files() const {
  std::lock_guard lock(mutex_);
  return files_;
}

RowState Batch::State(int row) const {
  std::lock_guard lock(mutex_);
  return row >= 0 && row < static_cast<int>(states_.size()) ? states_[row] : RowState::Ready;
}

QString Batch::LastOutputPath() const {
  std::lock_guard lock(mutex_);
  return lastOutputPath_;
}

void Batch::SetRunOptions(const RunOptions& options) {
  if (!running_.load()) runOptions_ = options;
}

bool Batch::StartProcessing(RunRows which) {
  if (running_.exchange(true)) return false;
  if (worker_.joinable()) worker_.join();  // the previous run has ended
  // A stop asked for while the last file of the previous run was encoding
  // belongs to that run, not to this one.
  stopEvent_.Reset();
  abortEncode_.store(false);
  int rows = 0;
  std::vector<int> toRun;
  {
    std::lock_guard lock(mutex_);
    for (size_t row = 0; row < states_.size(); ++row) {
      if (which == RunRows::NotDone && states_[row] == RowState::Done) continue;
      states_[row] = RowState::Ready;
      toRun.push_back(static_cast<int>(row));
    }
    rows = static_cast<int>(files_.size());
  }
  {
    std::lock_guard lock(observerMutex_);
    // Rows done before the run count as done from its start.
    runProgress_.Start(rows - static_cast<int>(toRun.size()));
  }
  worker_ = std::thread([this, rows, toRun = std::move(toRun)] {
    observer_.RunStarted(rows);
    for (int row : toRun) observer_.RowStateChanged(row, {});
    ProcessQueue();
  });
  return true;
}

void Batch::Stop() { stopEvent_.Set(); }

void Batch::Abort() {
  stopEvent_.Set();
  abortEncode_.store(true);
}

void Batch::Abandon() {
  if (running_.load()) Abort();
  Wait();
}

void Batch::Wait() {
  if (worker_.joinable()) worker_.join();
}

bool Batch::FileAt(int row, QString& sourcePath) const {
  std::lock_guard lock(mutex_);
  if (row >= files_.size()) return false;
  sourcePath = files_[row];
  return true;
}

void Batch::SetState(int row, const RowStatus& status) {
  {
    std::lock_guard lock(mutex_);
    if (row < static_cast<int>(states_.size())) states_[row] = status.state;
  }
  std::lock_guard lock(observerMutex_);
  observer_.RowStateChanged(row, status);
  if (status.state == RowState::Doing) {
    runProgress_.RowStarted(row);
  } else if (status.state != RowState::Ready) {
    runProgress_.RowEnded(row);
  }
  ReportRunProgress();
}

void Batch::ReportRunProgress() {
  int rows = 0;
  {
    std::lock_guard lock(mutex_);
    rows = static_cast<int>(files_.size());
  }
  observer_.RunProgressed(runProgress_.Of(rows));
}

// What the workers of one run share, under its mutex.
struct Batch::Run {
  std::mutex mutex;
  RunSummary summary;
  int nextRow = 0;
  bool ended = false;  // a stop was taken, or the queue is done
  // Outputs of this run: a later file of the same name never replaces one.
  RunOutputs outputs;
  QStringList shownWarnings;
};

void Batch::ProcessQueue() {
  Run run;
  const int workers = std::max(1, runOptions_.filesAtOnce);
  std::vector<std::thread> others;
  for (int i = 1; i < workers; ++i) others.emplace_back([this, &run] { Work(run); });
  Work(run);
  for (std::thread& worker : others) worker.join();
  // An abandoned file ends the run even when it was the last one.
  if (abortEncode_.load()) run.summary.outcome = RunOutcome::Abandoned;
  run.summary.lastOutputPath = LastOutputPath();
  {
    std::lock_guard lock(mutex_);
    run.summary.notProcessed = static_cast<int>(std::count(states_.begin(), states_.end(), RowState::Ready));
  }
  running_.store(false);
  std::lock_guard lock(observerMutex_);
  observer_.RunFinished(run.summary);
}

void Batch::Work(Run& run) {
  QString source;
  for (;;) {
    int row = 0;
    JobSettings settings;
    {
      std::lock_guard lock(run.mutex);
      if (run.ended || abortEncode_.load()) break;
      if (stopEvent_.TryConsume()) {
        run.ended = true;
        run.summary.outcome = abortEncode_.load() ? RunOutcome::Abandoned : RunOutcome::Stopped;
        break;
      }
      row = run.nextRow++;
      if (!FileAt(row, source)) {
        run.ended = true;
        break;
      }
      // Done before this run began (a run of the rows not done yet).
      if (State(row) == RowState::Done) continue;
      LogSource(source);
      settings = settings_.Load();
      for (const QString& warning : settings.warnings) {
        if (run.shownWarnings.contains(warning)) continue;  // once a run, not once a file
        run.shownWarnings << warning;
        if (messages_) messages_->ShowMessage(warning, "Vidmora", MessageIcon::Warning);
      }
    }

    RowListener listener(*this, row);
    TranscodeRequest request{source, std::move(settings), programFolder_};
    request.existing = runOptions_.existing;
    request.question = runOptions_.question;
    request.skipExisting = runOptions_.skipExisting;
    request.encoderThreads = runOptions_.encoderThreads;
    request.namePattern = runOptions_.namePattern;
    const QStringList files = Files();
    request.index = row + 1;
    request.count = static_cast<int>(files.size());
    JobResult result;
    if (runOptions_.recipients.empty()) {
      result = TranscodeFile(request, listener, messages_, {files, &run.outputs});
    } else {
      // Every recipient's output in turn; the row tells the first that did
      // not get done, or the last output.
      const int count = static_cast<int>(runOptions_.recipients.size());
      for (int number = 1; number <= count; ++number) {
        const Recipient& recipient = runOptions_.recipients[number - 1];
        listener.ForRecipient(recipient.name, number, count);
        request.recipient = recipient.name;
        request.tokens = recipient.tokens;
        JobResult one = TranscodeFile(request, listener, messages_, {files, &run.outputs});
        const bool done = one.outcome == JobOutcome::Done;
        if (!done) one.reason = recipient.name + ": " + one.reason;
        result = std::move(one);
        if (!done || abortEncode_.load()) break;
      }
    }

    RowStatus status{RowState::Failed, result.reason, result.outputPath, {}, result.retryMayHelp};
    listener.TellRecipient(status);
    {
      std::lock_guard lock(run.mutex);
      switch (result.outcome) {
        case JobOutcome::Done:
          ++run.summary.done;
          status.state = RowState::Done;
          status.notes = result.notes;
          {
            std::lock_guard guard(mutex_);
            lastOutputPath_ = result.outputPath;
          }
          break;
        case JobOutcome::Skipped:
          ++run.summary.skipped;
          status.state = RowState::Skipped;
          break;
        case JobOutcome::Failed:
          ++run.summary.failed;
          break;
      }
    }
    SetState(row, status);
  }
}

}  // namespace vidmora
