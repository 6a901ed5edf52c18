#include "app/shell/file_list_model.h"

#include <QFile>

#include <sys/stat.h>

#include <algorithm>

namespace vidmora {

FileListModel::FileListModel(QObject* parent) : QAbstractListModel(parent) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Valid(index.row())) return {};
  const Row& row = rows_[index.row()];
  switch (role) {
    case Qt::DisplayRole: return row.sourcePath;
    case Qt::ToolTipRole: return row.reason.isEmpty() ? row.sourcePath : row.reason;
    case StateRole: return static_cast<int>(row.state);
    case ProgressRole: return row.progress;
    case SecondsLeftRole: return row.secondsLeft;
    case ReasonRole: return row.reason;
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

FileRowState FileListModel::StateAt(int row) const { return Valid(row) ? rows_[row].state : FileRowState::Ready; }

int FileListModel::CountInState(FileRowState state) const {
  return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.state == state; }));
}

void FileListModel::SetState(int row, FileRowState state, const QString& reason) {
  if (!Valid(row)) return;
  Row& r = rows_[row];
  r.state = state;
  r.reason = reason;
  if (state != FileRowState::Doing) r.secondsLeft = -1;
  r.progress = state == FileRowState::Done ? 1.0 : (state == FileRowState::Doing ? r.progress : 0.0);
  RowChanged(row);
}

void FileListModel::SetProgress(int row, double fraction, double secondsLeft) {
  if (!Valid(row)) return;
  rows_[row].progress = std::clamp(fraction, 0.0, 1.0);
  rows_[row].secondsLeft = secondsLeft;
  RowChanged(row);
}

void FileListModel::ResetAllToReady() {
  if (rows_.empty()) return;
  for (Row& row : rows_) {
    Row fresh;
    fresh.sourcePath = row.sourcePath;
    row = fresh;
  }
  emit dataChanged(index(0), index(static_cast<int>(rows_.size()) - 1));
}

void FileListModel::RowChanged(int row) {
  const QModelIndex at = index(row);
  emit dataChanged(at, at);
}

}  // namespace vidmora
