#include "app/shell/file_row_delegate.h"

#include "app/settings/language_manager.h"
#include "app/shell/file_list_model.h"
#include "app/shell/skin.h"
#include "skin/skin_palette.h"

#include <QApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vidmora {

namespace {

constexpr int kRowHeight = 44;
constexpr int kIconSize = 16;
constexpr int kPadding = 10;
constexpr int kProgressWidth = 120;

}  // namespace

QString TimeLeftText(double seconds) {
  if (seconds < 0 || !std::isfinite(seconds)) return {};
  const long long whole = std::llround(seconds);
  if (whole < 60) return UiText(QStringLiteral("%1 s left")).arg(whole);
  return UiText(QStringLiteral("%1 left")).arg(ClockText(seconds));
}

QString ClockText(double seconds) {
  const long long whole = std::isfinite(seconds) ? std::max(0LL, std::llround(seconds)) : 0;
  if (whole < 3600) return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
  return QStringLiteral("%1:%2:%3")
      .arg(whole / 3600)
      .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString RowDetailsText(const QModelIndex& index) {
  // A row that failed says why on its right already.
  const QString notVideo = index.data(FileListModel::NotVideoRole).toString();
  const bool failed = static_cast<RowState>(index.data(FileListModel::StateRole).toInt()) == RowState::Failed &&
                      !index.data(FileListModel::ReasonRole).toString().isEmpty();
  if (!notVideo.isEmpty()) return failed ? QString() : UiText(QStringLiteral("Not a video: %1")).arg(notVideo);
  QStringList parts;
  const double seconds = index.data(FileListModel::DurationRole).toDouble();
  if (seconds > 0) parts << ClockText(seconds);
  const QSize shown = index.data(FileListModel::ShownSizeRole).toSize();
  if (!shown.isEmpty()) parts << QStringLiteral("%1 × %2").arg(shown.width()).arg(shown.height());
  // With a recipient list the running row says whose output it makes, and a
  // done row how many it made.
  const auto state = static_cast<RowState>(index.data(FileListModel::StateRole).toInt());
  const QString recipient = index.data(FileListModel::RecipientRole).toString();
  const int recipients = index.data(FileListModel::RecipientsRole).toInt();
  if (state == RowState::Doing && !recipient.isEmpty()) {
    parts << UiText(QStringLiteral("for %1 (%2 of %3)"))
                 .arg(recipient, QString::number(index.data(FileListModel::RecipientNumberRole).toInt()),
                      QString::number(recipients));
  }
  const QString output = index.data(FileListModel::OutputPathRole).toString();
  if (!output.isEmpty() && recipients > 1) {
    parts << UiText(QStringLiteral("→ %1 outputs, one per recipient, the last %2"))
                 .arg(QString::number(recipients), QFileInfo(output).fileName());
  } else if (!output.isEmpty()) {
    parts << UiText(QStringLiteral("→ %1")).arg(QFileInfo(output).fileName());
  }
  return parts.join(QStringLiteral(" · "));
}

FileRowDelegate::FileRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {
  statusIcons_[static_cast<int>(RowState::Ready)] = SkinIcon(QStringLiteral("ready"));
  statusIcons_[static_cast<int>(RowState::Doing)] = SkinIcon(QStringLiteral("doing"));
  statusIcons_[static_cast<int>(RowState::Done)] = SkinIcon(QStringLiteral("ok"));
  statusIcons_[static_cast<int>(RowState::Failed)] = SkinIcon(QStringLiteral("failed"));
  statusIcons_[static_cast<int>(RowState::Skipped)] = SkinIcon(QStringLiteral("skipped"));
}

QSize FileRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  // As wide as the list shows it: the path is cut to fit, never scrolled.
  return {1, kRowHeight};
}

void FileRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  const QRect rect = option.rect;
  if (option.state & QStyle::State_Selected) {
    painter->fillRect(rect, skin::kSelection);
  } else if (index.row() % 2 == 1) {
    painter->fillRect(rect, QColor(0xf7, 0xf9, 0xfc));
  }

  const auto state = static_cast<RowState>(index.data(FileListModel::StateRole).toInt());
  const QRect iconRect(rect.left() + kPadding, rect.center().y() - kIconSize / 2 + 1, kIconSize, kIconSize);
  statusIcons_[static_cast<int>(state)].paint(painter, iconRect);

  // The right-hand side: a progress bar for the running row, a word for the others.
  QString outcome;
  QColor outcomeColour = skin::kMutedText;
  int rightWidth = 0;
  switch (state) {
    case RowState::Doing: rightWidth = kProgressWidth + 110; break;
    case RowState::Done: outcome = UiText(QStringLiteral("Done")); break;
    case RowState::Failed:
      outcome = UiText(QStringLiteral("Failed"));
      outcomeColour = skin::kFailedText;
      break;
    case RowState::Skipped: outcome = UiText(QStringLiteral("Skipped")); break;
    case RowState::Ready: break;
  }
  const QFontMetrics metrics(option.font);
  // A failed or skipped row says why in plain view, in at most half the row
  // (the tool tip holds the whole reason).
  const QString reason = index.data(FileListModel::ReasonRole).toString();
  if ((state == RowState::Failed || state == RowState::Skipped) && !reason.isEmpty()) {
    const int room = std::max(0, rect.width() / 2 - metrics.horizontalAdvance(outcome + QStringLiteral(": ")));
    outcome += QStringLiteral(": ") + metrics.elidedText(reason.simplified(), Qt::ElideRight, room);
  }
  if (!outcome.isEmpty()) rightWidth = metrics.horizontalAdvance(outcome) + kPadding;

  // The path above, the source's length, size and output below.
  const int textLeft = iconRect.right() + kPadding;
  const int textWidth = rect.right() - kPadding - rightWidth - textLeft;
  const int lineHeight = metrics.height();
  const QString details = RowDetailsText(index);
  const int textTop = rect.top() + (rect.height() - (details.isEmpty() ? 1 : 2) * lineHeight) / 2;
  const QRect pathRect(textLeft, textTop, textWidth, lineHeight);
  painter->setFont(option.font);
  painter->setPen(skin::kText);
  // Cut in the middle: the file's name at the end stays in view.
  const QString path = metrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideMiddle, pathRect.width());
  painter->drawText(pathRect, Qt::AlignLeft | Qt::AlignVCenter, path);
  if (!details.isEmpty()) {
    const bool notVideo = !index.data(FileListModel::NotVideoRole).toString().isEmpty();
    painter->setPen(notVideo ? skin::kFailedText : skin::kMutedText);
    painter->drawText(QRect(textLeft, textTop + lineHeight, textWidth, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(details, Qt::ElideRight, textWidth));
  }

  if (state == RowState::Doing) {
    const double fraction = index.data(FileListModel::ProgressRole).toDouble();
    const QRectF track(rect.right() - kPadding - kProgressWidth, rect.center().y() - 2.5, kProgressWidth, 6);
    painter->setPen(Qt::NoPen);
    painter->setBrush(skin::kTrack);
    painter->drawRoundedRect(track, 3, 3);
    painter->setBrush(skin::kAccent);
    painter->drawRoundedRect(QRectF(track.left(), track.top(), track.width() * fraction, track.height()), 3, 3);
    QString label = QStringLiteral("%1 %").arg(std::lround(fraction * 100));
    const QString left = TimeLeftText(index.data(FileListModel::SecondsLeftRole).toDouble());
    if (!left.isEmpty()) label += QStringLiteral(" · ") + left;
    painter->setPen(skin::kMutedText);
    painter->drawText(QRect(rect.right() - kPadding - kProgressWidth - 110, rect.top(), 102, rect.height()),
                      Qt::AlignRight | Qt::AlignVCenter, label);
  } else if (!outcome.isEmpty()) {
    painter->setPen(outcomeColour);
    painter->drawText(QRect(rect.right() - rightWidth, rect.top(), rightWidth - kPadding, rect.height()),
                      Qt::AlignRight | Qt::AlignVCenter, outcome);
  }
  painter->restore();
}

}  // namespace vidmora
