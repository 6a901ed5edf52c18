#include "app/shell/file_list_model.h"

#include "app/processing/engine.h"

#include <QFile>
#include <QMimeData>

#include <sys/stat.h>

#include <algorithm>

namespace vidmora {

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {
  // Two at a time: a folder of files is read soon without taking the machine.
  probes_.setMaxThreadCount(2);
}

FileListModel::~FileListModel() {
  probes_.clear();
  probes_.waitForDone();
}

void FileListModel::StartProbe(const QString& sourcePath) {
  probes_.start([this, sourcePath, folder = EncoderLibraryFolder()] {
    const SourceFacts facts = ReadSourceFacts(folder, sourcePath);
    // Queued to this thread; dropped when the model has gone meanwhile (it
    // waits for this function before it goes).
    QMetaObject::invokeMethod(
        this, [this, sourcePath, facts] { SetFacts(sourcePath, facts); }, Qt::QueuedConnection);
  });
}

void FileListModel::SetFacts(const QString& sourcePath, const SourceFacts& facts) {
  // The row may have moved or gone while its file was read.
  for (size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].sourcePath != sourcePath) continue;
    rows_[row].probed = true;
    rows_[row].facts = facts;
    RowChanged(static_cast<int>(row));
    return;
  }
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

namespace {

// The source; a done row's output and what it could not keep; a failed or
// skipped row's reason.
QString ToolTip(const QString& sourcePath, const RowStatus& status, const QString& notVideo) {
  QStringList lines{sourcePath};
  if (!notVideo.isEmpty()) lines << notVideo;
  if (status.state == RowState::Done && !status.outputPath.isEmpty()) lines << "→ " + status.outputPath;
  if (!status.reason.isEmpty()) lines << status.reason;
  lines << status.notes;
  return lines.join('\n');
}

}  // namespace

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Valid(index.row())) return {};
  const Row& row = rows_[index.row()];
  switch (role) {
    case Qt::DisplayRole: return row.sourcePath;
    case Qt::ToolTipRole: return ToolTip(row.sourcePath, row.status, row.facts.problem);
    case StateRole: return static_cast<int>(row.status.state);
    case ProgressRole: return row.progress;
    case SecondsLeftRole: return row.secondsLeft;
    case ReasonRole: return row.status.reason;
    case OutputPathRole: return row.status.state == RowState::Done ? row.status.outputPath : QString();
    case NotesRole: return row.status.notes;
    case ProbedRole: return row.probed;
    case NotVideoRole: return row.facts.problem;
    case DurationRole: return row.facts.durationSeconds;
    case ShownSizeRole: return row.facts.shown;
    case RecipientRole: return row.status.recipient;
    case RecipientNumberRole: return row.status.recipientNumber;
    case RecipientsRole: return row.status.recipients;
    default: return {};
  }
}

namespace {

std::optional<std::pair<dev_t, ino_t>> FileIdOf(const QString& path) {
  struct stat info {};
  if (stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
  return std::pair(info.st_dev, info.st_ino);
}

}  // namespace

bool FileListModel::AddFile(const QString& sourcePath) {
  if (sourcePath.isEmpty() || Contains(sourcePath)) return false;
  const int row = static_cast<int>(rows_.size());
  beginInsertRows({}, row, row);
  Row added;
  added.sourcePath = sourcePath;
  added.fileId = FileIdOf(sourcePath);
  rows_.push_back(added);
  endInsertRows();
  StartProbe(sourcePath);
  return true;
}

bool FileListModel::Contains(const QString& sourcePath) const {
  const auto fileId = FileIdOf(sourcePath);
  return std::any_of(rows_.begin(), rows_.end(), [&](const Row& row) {
    return row.sourcePath == sourcePath || (fileId && row.fileId == fileId);
  });
}

void FileListModel::RemoveRow(int row) {
  if (!Valid(row)) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

QString FileListModel::PathAt(int row) const { return Valid(row) ? rows_[row].sourcePath : QString(); }

QStringList FileListModel::Paths() const {
  QStringList paths;
  for (const Row& row : rows_) paths << row.sourcePath;
  return paths;
}

RowState FileListModel::StateAt(int row) const { return Valid(row) ? rows_[row].status.state : RowState::Ready; }

RowStatus FileListModel::StatusAt(int row) const { return Valid(row) ? rows_[row].status : RowStatus{}; }

int FileListModel::CountInState(RowState state) const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.status.state == state; }));
}

void FileListModel::SetStatus(int row, const RowStatus& status) {
  if (!Valid(row)) return;
  Row& r = rows_[row];
  r.status = status;
  if (status.state != RowState::Doing) r.secondsLeft = -1;
  r.progress = status.state == RowState::Done ? 1.0 : (status.state == RowState::Doing ? r.progress : 0.0);
  RowChanged(row);
}

void FileListModel::SetProgress(int row, double fraction, double secondsLeft) {
  if (!Valid(row)) return;
  rows_[row].progress = std::clamp(fraction, 0.0, 1.0);
  rows_[row].secondsLeft = secondsLeft;
  RowChanged(row);
}

void FileListModel::ResetToReady(bool keepDone) {
  if (rows_.empty()) return;
  for (Row& row : rows_) {
    if (keepDone && row.status.state == RowState::Done) continue;
    Row fresh;
    fresh.sourcePath = row.sourcePath;
    fresh.fileId = row.fileId;
    fresh.probed = row.probed;
    fresh.facts = row.facts;
    row = fresh;
  }
  emit dataChanged(index(0), index(static_cast<int>(rows_.size()) - 1));
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  // Rows are dropped between rows, never onto one.
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return QAbstractListModel::flags(index) | Qt::ItemIsDragEnabled;
}

QStringList FileListModel::mimeTypes() const { return {QString::fromLatin1(kListRowsMimeType)}; }

QMimeData* FileListModel::mimeData(const QModelIndexList& indexes) const {
  QStringList rows;
  for (const QModelIndex& index : indexes) {
    if (index.isValid() && Valid(index.row())) rows << QString::number(index.row());
  }
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kListRowsMimeType), rows.join(QLatin1Char(',')).toLatin1());
  return data;
}

bool FileListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                 const QModelIndex& parent) {
  (void)column;
  if (!mover_ || action != Qt::MoveAction || !data->hasFormat(QString::fromLatin1(kListRowsMimeType))) return false;
  std::vector<int> rows;
  for (const QByteArray& number : data->data(QString::fromLatin1(kListRowsMimeType)).split(',')) {
    bool ok = false;
    const int dragged = number.toInt(&ok);
    if (ok && Valid(dragged)) rows.push_back(dragged);
  }
  if (rows.empty()) return false;
  // A drop onto a row puts the rows before it; below the last row, at the end.
  int before = row;
  if (before < 0) before = parent.isValid() ? parent.row() : rowCount();
  return mover_(rows, before);
}

bool FileListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                             const QModelIndex& destinationParent, int destinationChild) {
  if (!mover_ || sourceParent.isValid() || destinationParent.isValid() || count < 1) return false;
  std::vector<int> rows;
  for (int row = sourceRow; row < sourceRow + count; ++row) rows.push_back(row);
  return mover_(rows, destinationChild);
}

void FileListModel::MoveRow(int from, int to) {
  if (!Valid(from) || !Valid(to) || from == to) return;
  // Qt counts the destination before the row is taken out.
  beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
  Row moved = std::move(rows_[from]);
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, std::move(moved));
  endMoveRows();
}

std::vector<int> OrderAfterMove(int rowCount, const std::vector<int>& rows, int before) {
  std::vector<bool> moved(static_cast<size_t>(std::max(rowCount, 0)), false);
  std::vector<int> dragged;
  for (int row : rows) {
    if (row >= 0 && row < rowCount && !moved[row]) {
      moved[row] = true;
      dragged.push_back(row);
    }
  }
  std::sort(dragged.begin(), dragged.end());
  std::vector<int> order;
  for (int row = 0; row <= rowCount; ++row) {
    if (row == std::clamp(before, 0, rowCount)) order.insert(order.end(), dragged.begin(), dragged.end());
    if (row < rowCount && !moved[row]) order.push_back(row);
  }
  return order;
}

void FileListModel::RowChanged(int row) {
  const QModelIndex at = index(row);
  emit dataChanged(at, at);
}

}  // namespace vidmora
