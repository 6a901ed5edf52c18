#pragma once

// Paints a row of the file list: the status picture, the source path cut in
// the middle and below it the row's details (RowDetailsText), and on the
// right the row's progress or outcome.

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
// "0:07", "1:02:03".
QString ClockText(double seconds);
// The second line of a row: "1:23 · 1920 × 1080 · → clip_new.mp4" (what is
// known of it), or "Not a video: ..." for a source that is none. With a
// recipient list the running row names the recipient of the output it makes
// ("for Ann (3 of 40)") and a done row counts its outputs.
QString RowDetailsText(const QModelIndex& index);

}  // namespace vidmora
