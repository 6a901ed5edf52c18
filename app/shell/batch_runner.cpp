#include "app/shell/batch_runner.h"

#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/output_preferences.h"
#include "app/shell/file_list_model.h"

#include <QWidget>

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
      question_(qobject_cast<QWidget*>(parent)),
      batch_(std::make_unique<Batch>(settings_, events_, messages, programFolder)) {
  // Queued: the worker emits, this thread changes the rows.
  connect(&events_, &BatchSignals::rowStateChanged, this, &BatchRunner::OnRowState, Qt::QueuedConnection);
  connect(&events_, &BatchSignals::rowProgressed, this, &BatchRunner::OnRowProgress, Qt::QueuedConnection);
  connect(&events_, &BatchSignals::runFinished, this, &BatchRunner::OnRunFinished, Qt::QueuedConnection);
  files_.SetRowMover([this](const std::vector<int>& rows, int before) { return MoveRows(rows, before); });
  connect(
      &events_, &BatchSignals::runProgressed, this,
      [this](const RunFraction& run) {
        if (running_) emit batchProgressed(run.fraction, run.secondsLeft);
      },
      Qt::QueuedConnection);
}

BatchRunner::~BatchRunner() {
  // A window that goes away during a run does not leave a half-written file.
  if (batch_->IsRunning()) AbandonAndWait();
}

bool BatchRunner::AddFile(const QString& sourcePath, const RowStatus& status) {
  if (!files_.AddFile(sourcePath)) return false;
  const int row = batch_->AddFile(sourcePath, status.state);
  if (status.state != RowState::Ready) files_.SetStatus(row, status);
  emit queueChanged();
  return true;
}

bool BatchRunner::RemoveRow(int row) {
  if (running_ || !batch_->RemoveFile(row)) return false;
  files_.RemoveRow(row);
  emit queueChanged();
  return true;
}

bool BatchRunner::MoveRows(const std::vector<int>& rows, int before) {
  if (running_) return false;
  const std::vector<int> order = OrderAfterMove(files_.rowCount(), rows, before);
  // One row at a time into its new place, from the top: the rows above the
  // place being filled are already where they belong.
  std::vector<int> current(order.size());
  for (size_t i = 0; i < current.size(); ++i) current[i] = static_cast<int>(i);
  bool moved = false;
  for (int place = 0; place < static_cast<int>(order.size()); ++place) {
    const int from = static_cast<int>(std::find(current.begin(), current.end(), order[place]) - current.begin());
    if (from == place) continue;
    if (!batch_->MoveFile(from, place)) return moved;
    files_.MoveRow(from, place);
    const int row = current[from];
    current.erase(current.begin() + from);
    current.insert(current.begin() + place, row);
    moved = true;
  }
  if (moved) emit queueChanged();
  return true;
}

bool BatchRunner::SetReady(int row) {
  if (running_ || !batch_->SetReady(row)) return false;
  files_.SetStatus(row, {});
  emit queueChanged();
  return true;
}

std::vector<QueuedRow> BatchRunner::Rows() const {
  std::vector<QueuedRow> rows;
  for (int row = 0; row < files_.rowCount(); ++row) rows.push_back({files_.PathAt(row), files_.StatusAt(row)});
  return rows;
}

bool BatchRunner::Start(const QString& templateName) {
  if (running_) return false;
  settings_.SetTemplateName(templateName);
  RunOptions options;
  options.filesAtOnce = ReadOutputPreferences(DataFile(kPreferencesFileName)).filesAtOnce;
  options.encoderThreads = SharedEncoderThreads(options.filesAtOnce);
  options.recipients = recipients_.recipients;
  // An output that is another file is kept unless the user says otherwise.
  options.existing = ExistingOutputs::Ask;
  options.question = &question_;
  question_.BeginRun();
  batch_->SetRunOptions(options);
  if (!batch_->StartProcessing(Batch::RunRows::NotDone)) return false;
  files_.ResetToReady(/*keepDone=*/true);
  running_ = true;
  stopping_ = false;
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
  // A job waiting for an answer ends at once.
  question_.Cancel();
  batch_->Abort();
  batch_->Wait();
}

void BatchRunner::OnRowState(int row, const RowStatus& status) {
  files_.SetStatus(row, status);
  emit queueChanged();
  if (status.state == RowState::Doing) emit rowStarted(row);
}

void BatchRunner::OnRowProgress(int row, const EncodeProgress& progress) {
  if (files_.StateAt(row) != RowState::Doing) return;  // a late report after the row ended
  files_.SetProgress(row, progress.fraction, progress.SecondsLeft());
}

void BatchRunner::OnRunFinished(const RunSummary& summary) {
  running_ = false;
  stopping_ = false;
  emit runningChanged(false);
  emit runEnded(summary);
}

}  // namespace vidmora
