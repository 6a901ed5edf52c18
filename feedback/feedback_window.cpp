#include "feedback/feedback_window.h"

#include "feedback/feedback_mail.h"
#include "feedback/system_report.h"

#include <QDesktopServices>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace feedback {

FeedbackWindow::FeedbackWindow(QString applicationName, QString recipient, QWidget* parent)
    : QWidget(parent), applicationName_(std::move(applicationName)), recipient_(std::move(recipient)) {
  setWindowTitle(tr("%1 Feedback").arg(applicationName_));

  auto* intro = new QLabel(tr("Tell us what you like, what is missing or what went wrong. "
                              "Your mail program opens with the message, ready to send."),
                           this);
  intro->setWordWrap(true);
  message_ = new QPlainTextEdit(this);
  message_->setObjectName(QStringLiteral("message_edit"));
  message_->setPlaceholderText(tr("Your message"));
  address_ = new QLineEdit(this);
  address_->setObjectName(QStringLiteral("email_edit"));
  address_->setPlaceholderText(tr("name@example.com, so that we can answer"));
  system_ = new QPlainTextEdit(SystemReport(applicationName_).trimmed(), this);
  system_->setObjectName(QStringLiteral("system_info"));
  system_->setReadOnly(true);
  system_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  system_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // five short lines
  system_->setFixedHeight(system_->fontMetrics().lineSpacing() * 6 + 20);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status_label"));
  status_->setWordWrap(true);
  send_ = new QPushButton(tr("Send..."), this);
  send_->setObjectName(QStringLiteral("send_btn"));
  send_->setDefault(true);
  close_ = new QPushButton(tr("Close"), this);
  close_->setObjectName(QStringLiteral("close_btn"));

  auto* form = new QFormLayout;
  form->addRow(tr("Message:"), message_);
  form->addRow(tr("Your e-mail:"), address_);
  form->addRow(tr("Sent along:"), system_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(send_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(form, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(520, 420);

  connect(send_, &QPushButton::clicked, this, &FeedbackWindow::Send);
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
}

bool FeedbackWindow::Send() {
  const FeedbackContent content{message_->toPlainText(), address_->text(), system_->toPlainText()};
  if (const QString problem = FeedbackProblem(content); !problem.isEmpty()) {
    ShowStatus(problem, true);
    return false;
  }
  const FeedbackMail mail = BuildFeedbackMail(content, recipient_, applicationName_);
  if (!QDesktopServices::openUrl(mail.url)) {
    ShowStatus(tr("No mail program could be started. Please write to %1.").arg(recipient_), true);
    return false;
  }
  if (mail.shortened) {
    ShowStatus(tr("The message is too long for a mail address: the mail holds its first %1 of %2 characters. "
                  "Please paste the rest into the mail.")
                   .arg(mail.keptCharacters)
                   .arg(mail.totalCharacters),
               true);
  } else {
    ShowStatus(tr("Your mail program has the message; send it from there."), false);
  }
  return true;
}

void FeedbackWindow::ShowStatus(const QString& text, bool problem) {
  status_->setStyleSheet(problem ? QStringLiteral("color: #b00020;") : QString());
  status_->setText(text);
}

}  // namespace feedback
