#include "app/shell/window_message_sink.h"

#include <QMessageBox>

namespace vidmora {

WindowMessageSink::WindowMessageSink(QWidget* owner) : QObject(owner), owner_(owner) {}

void WindowMessageSink::ShowMessage(const QString& text, const QString& caption, MessageIcon icon) {
  QMetaObject::invokeMethod(this, [this, text, caption, icon] {
    QMessageBox::Icon boxIcon = QMessageBox::Warning;
    switch (icon) {
      case MessageIcon::Information: boxIcon = QMessageBox::Information; break;
      case MessageIcon::Warning: boxIcon = QMessageBox::Warning; break;
      case MessageIcon::Error: boxIcon = QMessageBox::Critical; break;
      case MessageIcon::Question: boxIcon = QMessageBox::Question; break;
    }
    auto* box = new QMessageBox(boxIcon, caption, text, QMessageBox::Ok, owner_);
    box->setObjectName(QStringLiteral("engine_message_box"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }, Qt::QueuedConnection);
}

}  // namespace vidmora
