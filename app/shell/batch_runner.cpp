#include "app/shell/batch_runner.h"

#include "app/settings/app_folders.h"
#include "app/settings/output_preferences.h"
#include "app/shell/file_list_model.h"

#include <algorithm>

namespace vidmora {

void WindowJobSettings::SetTemplateName(const QString& name) {
  std::lock_guard lock(mutex_);
  templateName_ = name;
}

JobSettings WindowJobSettings::Load() {
  QString name;
  {
    std::lock_guard lock(mutex_);
    name = templateName_;
  }
  return StoredJobSettings(name).Load();
}

BatchRunner::BatchRunner(FileListModel& files, MessageSink* messages, const QString& programFolder, QObject* parent)
    : QObject(parent),
      files_(files),
      batch_(std::make_unique<Batch>(settings_, events_, messages, programFolder)) {
  // Queued: the worker emits, this thread changes the rows.
  connect(&events_, &BatchSignals::rowStateChanged, this, &BatchRunner::OnRowState, Qt::QueuedConnection);
  connect(&events_, &BatchSignals::rowProgressed, this, &BatchRunner::OnRowProgress, Qt::QueuedConnection);
  connect(&events_, &BatchSignals::runFinished, this, &BatchRunner::OnRunFinished, Qt::QueuedConnection);
}

BatchRunner::~BatchRunner() {
  // A window that goes away during a run does not leave a half-written file.
  if (batch_->IsRunning()) AbandonAndWait();
}

bool BatchRunner::AddFile(const QString& sourcePath) {
  if (!files_.AddFile(sourcePath)) return false;
  batch_->AddFile(sourcePath);
  return true;
}

bool BatchRunner::RemoveRow(int row) {
  if (running_ || !batch_->RemoveFile(row)) return false;
  files_.RemoveRow(row);
  return true;
}

bool BatchRunner::Start(const QString& templateName) {
  if (running_) return false;
  settings_.SetTemplateName(templateName);
  RunOptions options;
  options.filesAtOnce = ReadOutputPreferences(DataFile(kPreferencesFileName)).filesAtOnce;
  options.encoderThreads = SharedEncoderThreads(options.filesAtOnce);
  batch_->SetRunOptions(options);
  files_.ResetAllToReady();
  if (!batch_->StartProcessing()) return false;
  running_ = true;
  stopping_ = false;
  finishedRows_ = 0;
  doingFractions_.clear();
  runClock_.start();
  emit runningChanged(true);
  emit batchProgressed(0, -1);
  return true;
}

void BatchRunner::Stop() {
  if (!running_) return;
  stopping_ = true;
  batch_->Stop();
}

void BatchRunner::AbandonAndWait() {
  batch_->Abort();
  batch_->Wait();
}

void BatchRunner::OnRowState(int row, const RowStatus& status) {
  const QString& detail = status.reason;
  switch (status.state) {
    case RowState::Ready: files_.SetState(row, FileRowState::Ready); return;
    case RowState::Skipped: files_.SetState(row, FileRowState::Skipped, detail); break;
    case RowState::Doing:
      files_.SetState(row, FileRowState::Doing);
      doingFractions_[row] = 0;
      ReportBatchProgress();
      return;
    case RowState::Done: files_.SetState(row, FileRowState::Done); break;
    case RowState::Failed: files_.SetState(row, FileRowState::Failed, detail); break;
  }
  doingFractions_.erase(row);
  ++finishedRows_;
  ReportBatchProgress();
}

void BatchRunner::OnRowProgress(int row, const EncodeProgress& progress) {
  if (files_.StateAt(row) != FileRowState::Doing) return;  // a late report after the row ended
  files_.SetProgress(row, progress.fraction, progress.SecondsLeft());
  // The encoder's fraction may step back a little (streams interleave); the run's never does.
  double& fraction = doingFractions_[row];
  fraction = std::max(fraction, progress.fraction);
  ReportBatchProgress();
}

void BatchRunner::ReportBatchProgress() {
  const int rows = files_.rowCount();
  if (rows == 0) return;
  double doing = 0;
  for (const auto& [row, fraction] : doingFractions_) doing += fraction;
  const double fraction = std::min(1.0, (finishedRows_ + doing) / rows);
  const double elapsed = runClock_.elapsed() / 1000.0;
  // Whole files take about as long as the ones done so far.
  const double secondsLeft = fraction > 0.001 ? elapsed * (1 - fraction) / fraction : -1;
  emit batchProgressed(fraction, secondsLeft);
}

void BatchRunner::OnRunFinished(const RunSummary& finished) {
  RunCounts summary;
  summary.lastOutputPath = finished.lastOutputPath;
  summary.stopped = stopping_;
  summary.done = files_.CountInState(FileRowState::Done);
  summary.failed = files_.CountInState(FileRowState::Failed);
  summary.skipped = files_.CountInState(FileRowState::Skipped);
  summary.notProcessed = files_.CountInState(FileRowState::Ready);
  running_ = false;
  stopping_ = false;
  emit runningChanged(false);
  emit runEnded(summary);
}

}  // namespace vidmora
