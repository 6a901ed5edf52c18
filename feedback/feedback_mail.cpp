#include "feedback/feedback_mail.h"

#include <QRegularExpression>

namespace feedback {
namespace {

// Every line break (CR LF, CR or LF) as CR LF, as mail bodies have them.
QString WithMailLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return text;
}

QByteArray Encoded(const QString& text) { return QUrl::toPercentEncoding(text); }

QString Body(const QString& message, const FeedbackContent& content, const QString& note) {
  QString body = message;
  if (!note.isEmpty()) body += QStringLiteral("\r\n\r\n") + note;
  if (!content.senderAddress.trimmed().isEmpty()) {
    body += QStringLiteral("\r\n\r\nReply to: ") + content.senderAddress.trimmed();
  }
  body += QStringLiteral("\r\n\r\n-- \r\n") + WithMailLineBreaks(content.systemReport.trimmed());
  return body;
}

QByteArray Address(const QString& recipient, const QString& subject, const QString& body) {
  return "mailto:" + Encoded(recipient).replace("%40", "@") + "?subject=" + Encoded(subject) + "&body=" + Encoded(body);
}

// A cut at `length` that splits neither a surrogate pair nor a CR LF.
qsizetype SafeCut(const QString& text, qsizetype length) {
  if (length > 0 && length < text.size()) {
    if (text[length - 1].isHighSurrogate() || (text[length - 1] == u'\r' && text[length] == u'\n')) --length;
  }
  return length;
}

}  // namespace

QString FeedbackProblem(const FeedbackContent& content) {
  if (content.message.trimmed().isEmpty()) return QStringLiteral("Please write a message first.");
  const QString address = content.senderAddress.trimmed();
  static const QRegularExpression kAddress(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s.]+$"));
  if (!address.isEmpty() && !kAddress.match(address).hasMatch()) {
    return QStringLiteral("\"%1\" is not an e-mail address. Please correct it, or leave it empty.").arg(address);
  }
  return {};
}

FeedbackMail BuildFeedbackMail(const FeedbackContent& content, const QString& recipient, const QString& applicationName,
                               int maxLength) {
  const QString subject = QStringLiteral("%1 feedback").arg(applicationName);
  const QString message = WithMailLineBreaks(content.message.trimmed());
  FeedbackMail mail;
  mail.totalCharacters = message.size();

  QByteArray address = Address(recipient, subject, Body(message, content, {}));
  mail.keptCharacters = message.size();
  if (address.size() > maxLength) {
    // The longest start of the message that fits with the note; the encoded
    // length grows with the number of characters kept, so halving finds it.
    const auto addressKeeping = [&](qsizetype kept) {
      const QString note =
          QStringLiteral("[The message was too long for a mail address: %1 of its %2 characters are above.]")
              .arg(kept)
              .arg(message.size());
      return Address(recipient, subject, Body(message.left(kept), content, note));
    };
    qsizetype low = 0, high = message.size();
    while (low < high) {
      const qsizetype middle = (low + high + 1) / 2;
      if (addressKeeping(SafeCut(message, middle)).size() <= maxLength) low = middle;
      else high = middle - 1;
    }
    mail.keptCharacters = SafeCut(message, low);
    mail.shortened = true;
    address = addressKeeping(mail.keptCharacters);
  }
  mail.url = QUrl::fromEncoded(address, QUrl::StrictMode);
  return mail;
}

}  // namespace feedback
