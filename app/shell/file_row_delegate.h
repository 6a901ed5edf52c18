#pragma once

// Paints a row of the file list: the status picture, the source path with an
// ellipsis at its end, and on the right the row's progress or outcome.

#include <QIcon>
#include <QStyledItemDelegate>

#include <array>

namespace vidmora {

class FileRowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit FileRowDelegate(QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  std::array<QIcon, 5> statusIcons_;  // by RowState
};

// "1:05 left", "12 s left"; empty when unknown.
QString TimeLeftText(double seconds);

}  // namespace vidmora
