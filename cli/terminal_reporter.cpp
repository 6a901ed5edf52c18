#include "cli/terminal_reporter.h"

#include <QFileInfo>

#include <unistd.h>

namespace vidmora::cli {

namespace {

QString Duration(double seconds) {
  const int s = static_cast<int>(seconds + 0.5);
  return QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}

void Print(FILE* stream, const QString& line) {
  std::fputs(line.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

// "done", "done (written as ...)", "done, 2 notes: the avi container ...; ...".
QString DoneText(const RowStatus& status) {
  QString text = "done";
  if (!status.reason.isEmpty()) text += " (" + status.reason + ")";
  if (!status.notes.isEmpty())
    text += QString(", %1 %2: ").arg(status.notes.size()).arg(status.notes.size() == 1 ? "note" : "notes") +
            status.notes.join("; ");
  return text;
}

}  // namespace

TerminalReporter::TerminalReporter(QStringList files, bool quiet)
    : files_(std::move(files)), quiet_(quiet), liveProgress_(!quiet && isatty(STDERR_FILENO)) {}

QString TerminalReporter::Label(int row) const {
  const QString name = row < files_.size() ? QFileInfo(files_[row]).fileName() : QString::number(row + 1);
  return QString("[%1/%2] %3").arg(row + 1).arg(files_.size()).arg(name);
}

void TerminalReporter::EndProgressLine() {
  if (progressLineOpen_) Print(stderr, "\n");
  progressLineOpen_ = false;
}

void TerminalReporter::RowStateChanged(int row, const RowStatus& status) {
  std::lock_guard lock(mutex_);
  switch (status.state) {
    case RowState::Ready: break;
    case RowState::Skipped:
      EndProgressLine();
      if (!quiet_) Print(stdout, QString("%1: skipped: %2\n").arg(Label(row), status.reason));
      break;
    case RowState::Doing:
      lastProgressPrint_ = -1;
      if (!quiet_ && !liveProgress_) Print(stdout, QString("%1: encoding\n").arg(Label(row)));
      break;
    case RowState::Done:
      EndProgressLine();
      if (!quiet_) Print(stdout, QString("%1: %2\n").arg(Label(row), DoneText(status)));
      break;
    case RowState::Failed:
      EndProgressLine();
      Print(stderr, QString("%1: failed: %2\n").arg(Label(row), status.reason));
      break;
  }
}

void TerminalReporter::RowProgressed(int row, const EncodeProgress& progress) {
  if (!liveProgress_) return;
  std::lock_guard lock(mutex_);
  // Redrawing more than a few times a second only costs time.
  if (lastProgressPrint_ >= 0 && progress.elapsedSeconds - lastProgressPrint_ < 0.25 && progress.fraction < 1) return;
  lastProgressPrint_ = progress.elapsedSeconds;
  const double left = progress.SecondsLeft();
  Print(stderr, QString("\r%1  %2%  %3 fps  %4 left\x1b[K")
                    .arg(Label(row))
                    .arg(static_cast<int>(progress.fraction * 100))
                    .arg(progress.FramesPerSecond(), 0, 'f', 1)
                    .arg(left >= 0 ? Duration(left) : QString("--:--")));
  progressLineOpen_ = true;
}

void TerminalReporter::RunFinished(const RunSummary& summary) {
  std::lock_guard lock(mutex_);
  EndProgressLine();
  summary_ = summary;
}

void TerminalReporter::ShowMessage(const QString& text, const QString& caption, MessageIcon) {
  std::lock_guard lock(mutex_);
  EndProgressLine();
  Print(stderr, QString("%1: %2\n").arg(caption, text));
}

void TerminalReporter::Note(const QString& text) {
  std::lock_guard lock(mutex_);
  EndProgressLine();
  Print(stderr, text + "\n");
}

RunSummary TerminalReporter::Summary() const {
  std::lock_guard lock(mutex_);
  return summary_;
}

}  // namespace vidmora::cli
