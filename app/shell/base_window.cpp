#include "app/shell/base_window.h"

#include "app/shell/skin.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QWindow>
#include <QtDebug>

namespace vidmora {

namespace {

// Width of the border that resizes the window, and the corners' radius.
constexpr int kBorder = 4;
constexpr int kCornerRadius = 8;

}  // namespace

CBaseDlgUI::CBaseDlgUI(const QString& layoutFile, Resizing resizing, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), resizing_(resizing) {
  setObjectName(QStringLiteral("skin_window"));
  setStyleSheet(SkinStyleSheet());
  setMouseTracking(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
  layout->setSpacing(0);

  QString error;
  content_ = LoadSkinLayout(layoutFile, this, error);
  if (content_) {
    layout->addWidget(content_);
    resize(content_->size().grownBy({kBorder, kBorder, kBorder, kBorder}));
    ConnectWindowButtons();
    if (auto* caption = content_->findChild<QWidget*>(QStringLiteral("caption_bar"))) caption->installEventFilter(this);
    UpdateMaximisedLook();
  } else {
    auto* message = new QLabel(error, this);
    message->setObjectName(QStringLiteral("skin_error_label"));
    message->setWordWrap(true);
    layout->addWidget(message);
    resize(480, 160);
    qWarning().noquote() << error;
  }
}

void CBaseDlgUI::WarnMissing(const char* name) const {
  qWarning().noquote() << QStringLiteral("The window layout has no control \"%1\"").arg(QLatin1String(name));
}

void CBaseDlgUI::ConnectWindowButtons() {
  const auto connectButton = [this](const char* name, auto slot) {
    if (auto* button = content_->findChild<QAbstractButton*>(QString::fromLatin1(name))) {
      // The pictures are named after the buttons: "min_btn" shows min.png.
      button->setIcon(SkinIcon(QString::fromLatin1(name).chopped(4)));
      connect(button, &QAbstractButton::clicked, this, slot);
    }
  };
  connectButton("min_btn", [this] { showMinimized(); });
  connectButton("max_btn", [this] { showMaximized(); });
  connectButton("restore_btn", [this] { showNormal(); });
  connectButton("close_btn", [this] { close(); });
}

void CBaseDlgUI::UpdateMaximisedLook() {
  if (!content_) return;
  const bool maximised = isMaximized();
  if (auto* max = content_->findChild<QWidget*>(QStringLiteral("max_btn"))) max->setVisible(!maximised);
  if (auto* restore = content_->findChild<QWidget*>(QStringLiteral("restore_btn"))) restore->setVisible(maximised);
  // A maximised window has square corners and no resizing border.
  const int border = maximised ? 0 : kBorder;
  layout()->setContentsMargins(border, border, border, border);
}

void CBaseDlgUI::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) {
    UpdateMaximisedLook();
    setMask(QRegion());
    QResizeEvent resized(size(), size());
    resizeEvent(&resized);
  }
}

void CBaseDlgUI::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (isMaximized() || isMinimized()) {
    clearMask();
    return;
  }
  QPainterPath rounded;
  rounded.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
  setMask(QRegion(rounded.toFillPolygon().toPolygon()));
}

void CBaseDlgUI::paintEvent(QPaintEvent*) {
  // The border around the content: the window's frame colour and a fine line.
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x1b, 0x21, 0x2c), 1));
  painter.setBrush(QColor(0x26, 0x2d, 0x3a));
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
}

Qt::Edges CBaseDlgUI::EdgesAt(const QPoint& point) const {
  Qt::Edges edges;
  if (resizing_ == Resizing::Fixed || isMaximized()) return edges;
  const int grip = kBorder + 2;
  if (point.x() < grip) edges |= Qt::LeftEdge;
  if (point.x() >= width() - grip) edges |= Qt::RightEdge;
  if (point.y() < grip) edges |= Qt::TopEdge;
  if (point.y() >= height() - grip) edges |= Qt::BottomEdge;
  return edges;
}

void CBaseDlgUI::mouseMoveEvent(QMouseEvent* event) {
  const Qt::Edges edges = EdgesAt(event->position().toPoint());
  if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge)) {
    setCursor(Qt::SizeFDiagCursor);
  } else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge)) {
    setCursor(Qt::SizeBDiagCursor);
  } else if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
    setCursor(Qt::SizeHorCursor);
  } else if (edges & (Qt::TopEdge | Qt::BottomEdge)) {
    setCursor(Qt::SizeVerCursor);
  } else {
    unsetCursor();
  }
  QDialog::mouseMoveEvent(event);
}

void CBaseDlgUI::mousePressEvent(QMouseEvent* event) {
  const Qt::Edges edges = EdgesAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && edges && windowHandle()) {
    windowHandle()->startSystemResize(edges);
    return;
  }
  QDialog::mousePressEvent(event);
}

bool CBaseDlgUI::eventFilter(QObject* watched, QEvent* event) {
  // Presses on the caption bar itself or on its labels (buttons take their
  // own) move the window; a double click maximises or restores it.
  if (event->type() == QEvent::MouseButtonPress) {
    auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() == Qt::LeftButton && windowHandle()) {
      windowHandle()->startSystemMove();
      return true;
    }
  } else if (event->type() == QEvent::MouseButtonDblClick && resizing_ == Resizing::Free) {
    isMaximized() ? showNormal() : showMaximized();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vidmora
