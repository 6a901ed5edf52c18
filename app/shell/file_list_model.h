#pragma once

// The rows of the main window's file list: one source video each, with the
// state the batch gave it. Changed on the user-interface thread only; the
// batch's events reach it through queued signals.

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <optional>
#include <utility>
#include <vector>

namespace vidmora {

enum class FileRowState { Ready, Doing, Done, Failed, Skipped };

class FileListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role {
    StateRole = Qt::UserRole + 1,  // FileRowState as int
    ProgressRole,                  // 0..1 of the running row
    SecondsLeftRole,               // estimated seconds left of the running row; negative when unknown
    ReasonRole,                    // why a row failed or was skipped
  };

  explicit FileListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Appends a row; false when the file is already listed, under this path or
  // another that leads to the same file (a linked folder, a second link).
  bool AddFile(const QString& sourcePath);
  bool Contains(const QString& sourcePath) const;
  void RemoveRow(int row);
  QString PathAt(int row) const;
  QStringList Paths() const;
  FileRowState StateAt(int row) const;
  int CountInState(FileRowState state) const;

  void SetState(int row, FileRowState state, const QString& reason = {});
  void SetProgress(int row, double fraction, double secondsLeft);
  void ResetAllToReady();

 private:
  struct Row {
    QString sourcePath;
    // The file itself, as the system knows it: one file reached through a
    // linked folder or a second link has another path but the same pair.
    std::optional<std::pair<dev_t, ino_t>> fileId;
    FileRowState state = FileRowState::Ready;
    QString reason;
    double progress = 0;
    double secondsLeft = -1;
  };
  bool Valid(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
  void RowChanged(int row);

  std::vector<Row> rows_;
};

}  // namespace vidmora
