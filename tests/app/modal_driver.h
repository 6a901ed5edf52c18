#pragma once

// Drives modal dialogs from a window test: the action runs inside the
// dialog's own event loop, as soon as the dialog is the active modal window.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace vidmora::test {

// Runs `act` on the next modal window other than `notThis` that becomes
// active. Checks on every pass of the event loop (no fixed delay).
inline void OnNextModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr) {
  auto* timer = new QTimer(qApp);
  QPointer<QWidget> skip(notThis);
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act), skip, notThis] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || (notThis != nullptr && modal == skip.data()) || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start(0);
}

// Runs `act` on the next active modal window that is a T, letting others
// (name prompts, messages) pass.
template <typename T>
inline void OnNextModalOf(std::function<void(T*)> act) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
    auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
    if (modal == nullptr || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start(0);
}

// Answers the next message box with `button` and hands its text to `seen`.
inline void AnswerNextMessage(QMessageBox::StandardButton button, QString* seen = nullptr, QWidget* notThis = nullptr) {
  OnNextModal(
      [button, seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
          modal->close();
          return;
        }
        if (seen) *seen = box->text();
        if (QAbstractButton* answer = box->button(button))
          answer->click();
        else
          box->close();
      },
      notThis);
}

}  // namespace vidmora::test
