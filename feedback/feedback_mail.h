#pragma once

// The feedback mail: the user's message, their address and a report of the
// program and system, as a "mailto:" address for the desktop's mail program
// (RFC 6068: UTF-8, percent-encoded, line breaks as CR LF).
//
// Mail programs and desktops accept addresses of limited length; a message
// that does not fit is shortened, and the mail says so.

#include <QString>
#include <QUrl>

namespace feedback {

// Longest "mailto:" address handed over; what desktops and mail programs
// take safely.
inline constexpr int kMaxMailtoLength = 2000;

struct FeedbackContent {
  QString message;        // as typed
  QString senderAddress;  // may be empty
  QString systemReport;   // lines about the program and the system
};

struct FeedbackMail {
  QUrl url;
  bool shortened = false;
  qsizetype keptCharacters = 0;   // of the message
  qsizetype totalCharacters = 0;  // of the message, line breaks as CR LF
};

// What keeps the content from being sent, for the user; empty when it can
// be sent: the message must hold more than white space, and an address,
// when given, must look like one.
QString FeedbackProblem(const FeedbackContent& content);

// The mail to `recipient`, subject "<applicationName> feedback", at most
// `maxLength` characters as an address (the message is shortened to fit,
// with a note in the mail).
FeedbackMail BuildFeedbackMail(const FeedbackContent& content, const QString& recipient,
                               const QString& applicationName, int maxLength = kMaxMailtoLength);

}  // namespace feedback
