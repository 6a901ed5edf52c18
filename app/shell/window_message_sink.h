#pragma once

// The engine's messages for the user as message boxes of the window. May be
// called on the batch's worker: the box is shown on the user-interface
// thread, without blocking the caller.

#include "app/processing/message_sink.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace vidmora {

class WindowMessageSink : public QObject, public MessageSink {
  Q_OBJECT

 public:
  explicit WindowMessageSink(QWidget* owner);
  void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) override;

 private:
  QPointer<QWidget> owner_;
};

}  // namespace vidmora
