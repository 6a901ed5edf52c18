#include "cli/terminal_reporter.h"

#include <QFileInfo>

#include <unistd.h>

namespace vidmora::cli {

namespace {

QString Duration(double seconds) {
  const int s = static_cast<int>(seconds + 0.5);
  return QString("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}

// A file name as one piece of one line: a line break or another control
// character in it would split or garble the line, so it is written escaped.
QString ShownName(const QString& name) {
  QString shown;
  for (const QChar c : name) {
    if (c == u'\n') shown += QStringLiteral("\\n");
    else if (c == u'\r') shown += QStringLiteral("\\r");
    else if (c == u'\t') shown += QStringLiteral("\\t");
    else if (c.category() == QChar::Other_Control) shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
    else shown += c;
  }
  return shown;
}

void Print(FILE* stream, const QString& line) {
  std::fputs(line.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

}  // namespace

TerminalReporter::TerminalReporter(QStringList files, bool quiet)
    : files_(std::move(files)), quiet_(quiet), liveProgress_(!quiet && isatty(STDERR_FILENO)) {}

QString TerminalReporter::Label(int row) const {
  const QString name = row < files_.size() ? ShownName(QFileInfo(files_[row]).fileName()) : QString::number(row + 1);
  return QString("[%1/%2] %3").arg(QString::number(row + 1), QString::number(files_.size()), name);
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
      if (!quiet_) Print(stdout, QString("%1: done%2\n").arg(Label(row), status.reason.isEmpty() ? "" : " (" + status.reason + ")"));
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
  // One pass of arg(): a "%2" in a file name stays as it is.
  Print(stderr, QString("\r%1  %2%  %3 fps  %4 left\x1b[K")
                    .arg(Label(row), QString::number(static_cast<int>(progress.fraction * 100)),
                         QString::number(progress.FramesPerSecond(), 'f', 1),
                         left >= 0 ? Duration(left) : QString("--:--")));
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
