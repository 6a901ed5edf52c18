#include "cli/terminal_reporter.h"

#include <QFileInfo>
#include <QJsonDocument>

#include <cmath>

#include <unistd.h>

namespace vidmora::cli {

namespace {

QString Duration(double seconds) {
  const auto s = static_cast<int>(std::lround(seconds));
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
    else if (c.category() == QChar::Other_Control)
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar(u'0'));
    else shown += c;
  }
  return shown;
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

TerminalReporter::TerminalReporter(QStringList files, bool quiet, ReportFormat format, bool liveProgress)
    : files_(std::move(files)),
      quiet_(quiet),
      json_(format == ReportFormat::JsonLines),
      lines_(json_ ? stderr : stdout),
      liveProgress_(liveProgress && !quiet && isatty(STDERR_FILENO)),
      rows_(files_.size()) {}

void TerminalReporter::EmitRow(int row, const char* state, const RowStatus& status) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  Row& r = rows_[row];
  r.ended = true;
  r.retryMayHelp = status.state == RowState::Failed && status.retryMayHelp;
  if (!json_) return;
  const bool done = status.state == RowState::Done;
  // A done file's notes: how it was written (another name, what was copied)
  // and what the output could not keep of the source, one after the other.
  QStringList notes;
  if (done && !status.reason.isEmpty()) notes << status.reason;
  if (done) notes << status.notes;
  const double seconds =
      r.hasStarted ? std::chrono::duration<double>(std::chrono::steady_clock::now() - r.started).count() : 0;
  QJsonObject object{{"source", files_[row]},
                     {"output", status.outputPath},
                     {"state", state},
                     {"reason", done ? QString() : status.reason},
                     {"notes", notes.join(QStringLiteral("; "))},
                     {"seconds", std::round(seconds * 1000) / 1000},
                     {"frames", static_cast<qint64>(r.frames)}};
  if (status.state == RowState::Failed) object["retry"] = status.retryMayHelp;
  Print(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + "\n");
}

void TerminalReporter::Emit(const QJsonObject& object) {
  if (!json_) return;
  std::lock_guard lock(mutex_);
  Print(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + "\n");
}

void TerminalReporter::EmitNotProcessed(int row) {
  std::lock_guard lock(mutex_);
  if (!json_ || row < 0 || row >= files_.size()) return;
  QJsonObject object{{"source", files_[row]},
                     {"output", QString()},
                     {"state", "not-processed"},
                     {"reason", "the run was stopped before this file"},
                     {"notes", QString()},
                     {"seconds", 0},
                     {"frames", 0},
                     {"retry", true}};
  Print(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + "\n");
}

std::vector<int> TerminalReporter::UnfinishedRows() const {
  std::lock_guard lock(mutex_);
  std::vector<int> rows;
  for (int row = 0; row < static_cast<int>(rows_.size()); ++row)
    if (!rows_[row].ended) rows.push_back(row);
  return rows;
}

bool TerminalReporter::AnyRetryMayHelp() const { return !RetryableFiles().isEmpty(); }

QStringList TerminalReporter::RetryableFiles() const {
  std::lock_guard lock(mutex_);
  QStringList files;
  for (int row = 0; row < static_cast<int>(rows_.size()); ++row)
    if (rows_[row].retryMayHelp) files << files_[row];
  return files;
}

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
      if (!quiet_) Print(lines_, QString("%1: skipped: %2\n").arg(Label(row), status.reason));
      EmitRow(row, "skipped", status);
      break;
    case RowState::Doing:
      lastProgressPrint_ = -1;
      if (row >= 0 && row < static_cast<int>(rows_.size())) {
        rows_[row].started = std::chrono::steady_clock::now();
        rows_[row].hasStarted = true;
      }
      if (!quiet_ && !liveProgress_) Print(lines_, QString("%1: encoding\n").arg(Label(row)));
      break;
    case RowState::Done:
      EndProgressLine();
      if (!quiet_) Print(lines_, QString("%1: %2\n").arg(Label(row), DoneText(status)));
      EmitRow(row, "done", status);
      break;
    case RowState::Failed:
      EndProgressLine();
      Print(stderr, QString("%1: failed: %2\n").arg(Label(row), status.reason));
      EmitRow(row, "failed", status);
      break;
  }
}

void TerminalReporter::RowProgressed(int row, const EncodeProgress& progress) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size())) rows_[row].frames = progress.frames;
  if (!liveProgress_) return;
  // Redrawing more than a few times a second only costs time.
  if (lastProgressPrint_ >= 0 && progress.elapsedSeconds - lastProgressPrint_ < 0.25 && progress.fraction < 1) return;
  lastProgressPrint_ = progress.elapsedSeconds;
  const double left = progress.SecondsLeft();
  // One pass of arg(): a "%2" in a file name stays as it is.
  Print(stderr,
        QString("\r%1  %2%  %3 fps  %4 left\x1b[K")
            .arg(Label(row), QString::number(static_cast<int>(progress.fraction * 100)),
                 QString::number(progress.FramesPerSecond(), 'f', 1), left >= 0 ? Duration(left) : QString("--:--")));
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
