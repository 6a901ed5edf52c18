// The feedback program: the "mailto:" address it builds and its window,
// with the desktop's mail program replaced by a handler of this test.
#include "feedback/feedback_mail.h"
#include "feedback/feedback_window.h"
#include "tests/support/temp_env.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace feedback {
namespace {

const QString kRecipient = QStringLiteral("feedback@vidmora.example");

QString DecodedBody(const QUrl& url) {
  return QUrlQuery(url).queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
}

TEST(FeedbackMail, TextAddressLineBreaksAndLettersAreEncodedForAMailAddress) {
  const FeedbackContent content{QStringLiteral("Hallo!\nÜbergröße, café & 50%\r\nmit 😀\n\n"), QStringLiteral(" anna@example.org "),
                                QStringLiteral("Vidmora 1.0.0\nSystem: Debian\n")};
  const FeedbackMail mail = BuildFeedbackMail(content, kRecipient, QStringLiteral("Vidmora"));

  EXPECT_FALSE(mail.shortened);
  EXPECT_EQ(mail.url.toEncoded(),
            "mailto:feedback@vidmora.example?subject=Vidmora%20feedback&body="
            "Hallo%21%0D%0A%C3%9Cbergr%C3%B6%C3%9Fe%2C%20caf%C3%A9%20%26%2050%25%0D%0Amit%20%F0%9F%98%80"
            "%0D%0A%0D%0AReply%20to%3A%20anna%40example.org"
            "%0D%0A%0D%0A--%20%0D%0AVidmora%201.0.0%0D%0ASystem%3A%20Debian");
  EXPECT_EQ(DecodedBody(mail.url), QStringLiteral("Hallo!\r\nÜbergröße, café & 50%\r\nmit 😀\r\n\r\n"
                                                  "Reply to: anna@example.org\r\n\r\n-- \r\nVidmora 1.0.0\r\nSystem: Debian"));
}

TEST(FeedbackMail, ALongMessageIsShortenedToFitWithANote) {
  const QString cases[] = {
      QString(3000, QChar(u'é')),
      QString::fromUtf8("😀").repeated(1500),  // never cut inside a pair
      QStringLiteral("ab\n").repeated(1500),   // never cut inside CR LF
  };
  for (const QString& message : cases) {
    const FeedbackMail mail = BuildFeedbackMail({message, {}, QStringLiteral("Vidmora 1.0.0")}, kRecipient,
                                                QStringLiteral("Vidmora"));
    ASSERT_TRUE(mail.shortened);
    EXPECT_LE(mail.url.toEncoded().size(), kMaxMailtoLength);
    EXPECT_GT(mail.url.toEncoded().size(), kMaxMailtoLength - 40) << "shortened more than needed";
    const QString body = DecodedBody(mail.url);
    QString sent = message.trimmed();
    sent.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    const QString kept = sent.left(mail.keptCharacters);
    ASSERT_FALSE(kept.isEmpty());
    EXPECT_TRUE(body.startsWith(kept + QStringLiteral("\r\n\r\n[The message was too long for a mail address: ")));
    EXPECT_TRUE(body.contains(QStringLiteral("%1 of its %2 characters are above.]").arg(kept.size()).arg(sent.size())));
    EXPECT_FALSE(kept.back().isHighSurrogate());
    EXPECT_NE(kept.back(), u'\r');
    EXPECT_TRUE(body.endsWith(QStringLiteral("-- \r\nVidmora 1.0.0")));
  }
}

TEST(FeedbackMail, AnEmptyMessageOrAMalformedAddressIsRefused) {
  const std::pair<FeedbackContent, QString> cases[] = {
      {{QString(), QString(), QString()}, QStringLiteral("Please write a message first.")},
      {{QStringLiteral(" \n\t "), QStringLiteral("anna@example.org"), QString()}, QStringLiteral("Please write a message first.")},
      {{QStringLiteral("Fine"), QStringLiteral("anna@"), QString()}, QStringLiteral("\"anna@\" is not an e-mail address")},
      {{QStringLiteral("Fine"), QStringLiteral("anna at example.org"), QString()}, QStringLiteral("is not an e-mail address")},
      {{QStringLiteral("Fine"), QStringLiteral("anna@example"), QString()}, QStringLiteral("is not an e-mail address")},
      {{QStringLiteral("Fine"), QString(), QString()}, QString()},
      {{QStringLiteral("Fine"), QStringLiteral("anna.b@mail.example.org"), QString()}, QString()},
  };
  for (const auto& [content, problem] : cases) {
    const QString found = FeedbackProblem(content);
    if (problem.isEmpty()) {
      EXPECT_TRUE(found.isEmpty()) << found.toStdString();
    } else {
      EXPECT_TRUE(found.contains(problem)) << found.toStdString();
    }
  }
}

// Stands in for the desktop's mail program.
class MailProgram : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void Open(const QUrl& url) { opened << url; }
};

TEST(FeedbackWindow, SendsTheMessageWithTheSystemThroughTheMailProgram) {
  MailProgram mailProgram;
  QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mailProgram, "Open");
  FeedbackWindow window(QStringLiteral("Vidmora"), kRecipient);
  window.show();
  auto* message = window.findChild<QPlainTextEdit*>(QStringLiteral("message_edit"));
  auto* address = window.findChild<QLineEdit*>(QStringLiteral("email_edit"));
  auto* system = window.findChild<QPlainTextEdit*>(QStringLiteral("system_info"));
  auto* status = window.findChild<QLabel*>(QStringLiteral("status_label"));
  auto* send = window.findChild<QPushButton*>(QStringLiteral("send_btn"));
  ASSERT_TRUE(message && address && system && status && send);
  for (const char* part : {"Vidmora 1.", "System: ", "Kernel: ", "Qt: 6.", "FFmpeg: "}) {
    EXPECT_TRUE(system->toPlainText().contains(QString::fromLatin1(part))) << part;
  }

  send->click();
  EXPECT_EQ(status->text(), QStringLiteral("Please write a message first."));
  EXPECT_TRUE(mailProgram.opened.isEmpty());

  message->setPlainText(QStringLiteral("The player is lovely."));
  address->setText(QStringLiteral("anna@example.org"));
  send->click();
  ASSERT_EQ(mailProgram.opened.size(), 1);
  const QUrl mail = mailProgram.opened.front();
  EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
  EXPECT_EQ(mail.path(), kRecipient);
  const QString body = DecodedBody(mail);
  EXPECT_TRUE(body.startsWith(QStringLiteral("The player is lovely.\r\n\r\nReply to: anna@example.org\r\n")));
  EXPECT_TRUE(body.contains(QStringLiteral("Qt: ") + QString::fromLatin1(qVersion())));
  window.grab().save(QString::fromStdString((vidmora::test::TestOutputDir() / "feedback_window.png").string()));
  QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

}  // namespace
}  // namespace feedback

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "feedback_test.moc"
