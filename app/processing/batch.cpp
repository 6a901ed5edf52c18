#include "app/processing/batch.h"

#include "app/processing/message_sink.h"
#include "logging/log_interface.h"

namespace vidmora {

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
  void EncodeStarted() override { batch_.SetState(row_, {RowState::Doing, {}, outputPath_, {}}); }
  bool EncodeProgressed(const EncodeProgress& progress) override {
    batch_.observer_.RowProgressed(row_, progress);
    return !batch_.abortEncode_.load();
  }

 private:
  Batch& batch_;
  int row_;
  QString outputPath_;
};

Batch::Batch(JobSettingsSource& settings, BatchObserver& observer, MessageSink* messages, QString programFolder)
    : settings_(settings), observer_(observer), messages_(messages), programFolder_(std::move(programFolder)) {}

Batch::~Batch() { Abandon(); }

int Batch::AddFile(const QString& sourcePath) {
  std::lock_guard lock(mutex_);
  files_.append(sourcePath);
  states_.push_back(RowState::Ready);
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

bool Batch::StartProcessing() {
  if (running_.exchange(true)) return false;
  if (worker_.joinable()) worker_.join();  // the previous run has ended
  // A stop asked for while the last file of the previous run was encoding
  // belongs to that run, not to this one.
  stopEvent_.Reset();
  abortEncode_.store(false);
  int rows = 0;
  {
    std::lock_guard lock(mutex_);
    std::fill(states_.begin(), states_.end(), RowState::Ready);
    rows = static_cast<int>(files_.size());
  }
  worker_ = std::thread([this, rows] {
    observer_.RunStarted(rows);
    for (int row = 0; row < rows; ++row) observer_.RowStateChanged(row, {});
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
  observer_.RowStateChanged(row, status);
}

void Batch::ProcessQueue() {
  RunSummary summary;
  QString source;
  // Outputs written by this run: a later file of the same name never replaces one.
  QStringList writtenOutputs;
  QStringList shownWarnings;
  for (int row = 0; FileAt(row, source); ++row) {
    if (stopEvent_.TryConsume()) {
      summary.outcome = abortEncode_.load() ? RunOutcome::Abandoned : RunOutcome::Stopped;
      break;
    }
    LogSource(source);

    JobSettings settings = settings_.Load();
    for (const QString& warning : settings.warnings) {
      if (shownWarnings.contains(warning)) continue;  // once a run, not once a file
      shownWarnings << warning;
      if (messages_) messages_->ShowMessage(warning, "Vidmora", MessageIcon::Warning);
    }

    RowListener listener(*this, row);
    const JobResult result =
        TranscodeFile({source, std::move(settings), programFolder_}, listener, messages_, {Files(), writtenOutputs});

    switch (result.outcome) {
      case JobOutcome::Done:
        ++summary.done;
        writtenOutputs << result.outputPath;
        {
          std::lock_guard lock(mutex_);
          lastOutputPath_ = result.outputPath;
        }
        SetState(row, {RowState::Done, result.reason, result.outputPath, result.notes});
        break;
      case JobOutcome::Skipped:
        ++summary.skipped;
        SetState(row, {RowState::Skipped, result.reason, result.outputPath, {}});
        break;
      case JobOutcome::Failed:
        ++summary.failed;
        SetState(row, {RowState::Failed, result.reason, result.outputPath, {}});
        break;
    }
    // An abandoned file ends the run even when it was the last one.
    if (abortEncode_.load()) {
      summary.outcome = RunOutcome::Abandoned;
      break;
    }
  }
  summary.lastOutputPath = LastOutputPath();
  running_.store(false);
  observer_.RunFinished(summary);
}

}  // namespace vidmora
