#pragma once

// FeedbackWindow: a message and the user's address, with the program's
// version and the system filled in below, handed to the desktop's mail
// program as a "mailto:" address. An empty message or a malformed address
// is refused with a word in the window; a message too long for a mail
// address is shortened with a note in the mail and in the window.
//
// User-interface thread only.

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace feedback {

class FeedbackWindow : public QWidget {
  Q_OBJECT

 public:
  // `recipient`: the support address the mail goes to.
  FeedbackWindow(QString applicationName, QString recipient, QWidget* parent = nullptr);

  // Checks the entries and opens the mail program; false when nothing was
  // handed over (the reason is shown).
  bool Send();

 private:
  void ShowStatus(const QString& text, bool problem);

  QString applicationName_;
  QString recipient_;
  QPlainTextEdit* message_ = nullptr;
  QLineEdit* address_ = nullptr;
  QPlainTextEdit* system_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* send_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace feedback
