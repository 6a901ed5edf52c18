#pragma once

// The rows of the main window's file list: one source video each, with the
// state the batch gave it. Changed on the user-interface thread only; the
// batch's events reach it through queued signals.

#include "app/processing/batch.h"
#include "app/processing/source_facts.h"

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <sys/types.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace vidmora {

class FileListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum Role {
    StateRole = Qt::UserRole + 1,  // RowState as int
    ProgressRole,                  // 0..1 of the running row
    SecondsLeftRole,               // estimated seconds left of the running row; negative when unknown
    ReasonRole,                    // why a row failed or was skipped
    OutputPathRole,                // the output of a done row
    NotesRole,                     // QStringList: what a done row's output could not keep of its source
    ProbedRole,                    // bool: the source has been read (see SourceFacts)
    NotVideoRole,                  // why the source is not a video; empty when it is or is not read yet
    DurationRole,                  // the source's length in seconds; 0 when unknown
    ShownSizeRole,                 // QSize: the source's picture as players show it; empty when unknown
    RecipientRole,                 // with a recipient list: the recipient of the row's output (RowStatus)
    RecipientNumberRole,           // that recipient's place in the list, from 1; 0 without a list
    RecipientsRole,                // the list's length: the row's outputs; 0 without a list
  };

  // Each row added is read (SourceFacts) on a thread of the model's own, so
  // that adding never waits for the file; the facts arrive on this thread.
  explicit FileListModel(QObject* parent = nullptr);
  // Waits for the reads under way; those not begun are dropped.
  ~FileListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Dragging rows to another place in the list. The model does not move its
  // rows itself: a drop (or a view's moveRows) asks the mover, which moves
  // them in the batch first and then here with MoveRow; without a mover, or
  // when it refuses (a run goes on), nothing moves. The drag carries only the
  // list's own type, so files dropped from outside are left to the window.
  using RowMover = std::function<bool(const std::vector<int>& rows, int before)>;
  void SetRowMover(RowMover mover) { mover_ = std::move(mover); }
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
  Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;
  bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count, const QModelIndex& destinationParent,
                int destinationChild) override;
  // Moves one row so that it ends up at `to` (counted after it was taken out).
  void MoveRow(int from, int to);

  // Appends a row; false when the file is already listed, under this path or
  // another that leads to the same file (a linked folder, a second link).
  bool AddFile(const QString& sourcePath);
  bool Contains(const QString& sourcePath) const;
  void RemoveRow(int row);
  QString PathAt(int row) const;
  QStringList Paths() const;
  RowState StateAt(int row) const;
  RowStatus StatusAt(int row) const;
  int CountInState(RowState state) const;

  // The row as the batch reports it: its state, reason, output and notes.
  void SetStatus(int row, const RowStatus& status);
  void SetProgress(int row, double fraction, double secondsLeft);
  // Every row (or every row not done) ready again, as a run begins.
  void ResetToReady(bool keepDone = false);

 private:
  struct Row {
    QString sourcePath;
    // The file itself, as the system knows it: one file reached through a
    // linked folder or a second link has another path but the same pair.
    std::optional<std::pair<dev_t, ino_t>> fileId;
    RowStatus status;
    double progress = 0;
    double secondsLeft = -1;
    bool probed = false;
    SourceFacts facts;
  };
  void StartProbe(const QString& sourcePath);
  void SetFacts(const QString& sourcePath, const SourceFacts& facts);
  bool Valid(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
  void RowChanged(int row);

  std::vector<Row> rows_;
  RowMover mover_;
  QThreadPool probes_;
};

// The type of the list's own drags; the window refuses drops that carry it.
inline constexpr char kListRowsMimeType[] = "application/x-vidmora-internal";

// The order of `rowCount` rows after `rows` were moved, together and in their
// order, before the row `before` (rowCount: to the end): for each new place,
// the row that was there before. Rows out of range are left out.
std::vector<int> OrderAfterMove(int rowCount, const std::vector<int>& rows, int before);

}  // namespace vidmora
