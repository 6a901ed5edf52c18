#include "app/support/update_check.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace vidmora {
namespace {

// A one-file HTTP server on 127.0.0.1 for the check to download from.
class VersionFileServer {
 public:
  // kTrickle sends the headers, then one byte of the body every 100 ms.
  enum class Answer { kServe, kNever, kTrickle };

  VersionFileServer(QByteArray body, Answer answer) : body_(std::move(body)), answer_(answer) {
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          request_ += socket->readAll();
          if (!request_.contains("\r\n\r\n") || answer_ == Answer::kNever) return;
          if (answer_ == Answer::kTrickle) return Trickle(socket);
          socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: " +
                        QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
          socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, [this] { ++closed_; });
      }
    });
  }
  QUrl Url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/kd_version.ini").arg(server_.serverPort())); }
  const QByteArray& Request() const { return request_; }
  // Connections the client has closed.
  int Closed() const { return closed_; }

 private:
  void Trickle(QTcpSocket* socket) {
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 100000\r\n\r\n");
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write(";"); });
    timer->start(100);
  }

  QByteArray body_;
  Answer answer_;
  QTcpServer server_;
  QByteArray request_;
  int closed_ = 0;
};

class RecordingNotifier : public UpdateNotifier {
 public:
  void OfferUpdate(const ProgramVersion& published) override {
    calls.push_back("offer " + published.ToText().toStdString());
  }
  void ReportLatest() override { calls.push_back("latest"); }
  void ReportFailure(const QString& reason) override { calls.push_back("failed: " + reason.toStdString()); }
  std::vector<std::string> calls;
};

// Runs one check to its end and returns what the user was shown.
std::vector<std::string> Check(const QUrl& url, UpdateMode mode, int timeoutMs = UpdateCheck::kDefaultTimeoutMs) {
  RecordingNotifier notifier;
  UpdateCheck check;
  check.SetTimeoutMs(timeoutMs);
  QEventLoop loop;
  bool finished = false;
  QObject::connect(&check, &UpdateCheck::finished, [&](const UpdateOutcome& outcome, UpdateMode finishedMode) {
    finished = true;
    Notify(outcome, finishedMode, notifier);
    loop.quit();
  });
  QTimer::singleShot(60'000, &loop, &QEventLoop::quit);  // a guard only; the check ends long before
  check.Start(url, ProgramVersion{1, 2, 3}, mode);
  loop.exec();
  EXPECT_TRUE(finished) << "the check never ended";
  return notifier.calls;
}

struct Case {
  const char* name;
  QByteArray body;
  VersionFileServer::Answer answer;
  std::vector<std::string> silent;  // shown at start-up
  std::string onDemand;             // shown from the menu; "failed" matches any failure
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

QByteArray VersionFile(const char* major, const char* minor, const char* build) {
  return QByteArray("[Gerneral]\r\nmajor_version=") + major + "\r\nminor_version=" + minor + "\r\nbuild=" + build +
         "\r\n";
}

const Case kCases[] = {
    {"newer_build", VersionFile("1", "2", "4"), VersionFileServer::Answer::kServe, {"offer 1.2.4"}, "offer 1.2.4"},
    {"newer_minor", VersionFile("1", "3", "0"), VersionFileServer::Answer::kServe, {"offer 1.3.0"}, "offer 1.3.0"},
    {"same", VersionFile("1", "2", "3"), VersionFileServer::Answer::kServe, {}, "latest"},
    {"older", VersionFile("0", "9", "9"), VersionFileServer::Answer::kServe, {}, "latest"},
    {"only_major", "[gerneral]\nMAJOR_VERSION=2\n", VersionFileServer::Answer::kServe, {"offer 2.0.0"}, "offer 2.0.0"},
    {"error_page", "<html><body>Not here</body></html>", VersionFileServer::Answer::kServe, {}, "failed"},
    {"no_major", "[Gerneral]\nminor_version=9\n", VersionFileServer::Answer::kServe, {}, "failed"},
    {"not_a_number", VersionFile("x", "0", "0"), VersionFileServer::Answer::kServe, {}, "failed"},
    {"empty", "", VersionFileServer::Answer::kServe, {}, "failed"},
    {"huge",
     VersionFile("9", "0", "0") + QByteArray(qsizetype{100} * 1024, ';'),
     VersionFileServer::Answer::kServe,
     {},
     "failed"},
    {"never_answers", {}, VersionFileServer::Answer::kNever, {}, "failed"},
};

class UpdateCheckAgainstServer : public testing::TestWithParam<Case> {};

TEST_P(UpdateCheckAgainstServer, ShowsWhatTheModeAllows) {
  const Case& c = GetParam();
  test::TempEnv env;
  VersionFileServer server(c.body, c.answer);
  // A short time-out stands in for the real one: the silent server never answers at all.
  const int timeoutMs = c.answer == VersionFileServer::Answer::kNever ? 300 : UpdateCheck::kDefaultTimeoutMs;

  EXPECT_EQ(Check(server.Url(), UpdateMode::kSilent, timeoutMs), c.silent);
  const auto shown = Check(server.Url(), UpdateMode::kOnDemand, timeoutMs);
  ASSERT_EQ(shown.size(), 1u);
  if (c.onDemand == "failed") EXPECT_EQ(shown[0].rfind("failed: ", 0), 0u) << shown[0];
  else EXPECT_EQ(shown[0], c.onDemand);
  EXPECT_TRUE(server.Request().startsWith("GET /kd_version.ini HTTP/1.1\r\n")) << server.Request().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Answers, UpdateCheckAgainstServer, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Another user can plant a link where a version file would be saved: the
// check saves nothing, so the file the link names stays as it was.
TEST(UpdateCheck, WritesNoFile) {
  test::TempEnv env;
  const std::filesystem::path victim = env.Home() / ".bashrc";
  test::WriteFile(victim, "mine\n");
  std::filesystem::create_directories(env.Tmp() / "Vidmora");
  std::filesystem::create_symlink(victim, env.Tmp() / "Vidmora" / "kd_version.ini");
  VersionFileServer server(VersionFile("1", "2", "4"), VersionFileServer::Answer::kServe);
  EXPECT_EQ(Check(server.Url(), UpdateMode::kOnDemand), std::vector<std::string>{"offer 1.2.4"});
  EXPECT_EQ(test::ReadFile(victim), "mine\n");
  EXPECT_TRUE(std::filesystem::is_empty(env.Runtime()));
  EXPECT_TRUE(std::filesystem::is_empty(env.CacheHome()));
}

// A server that sends a byte now and then never resets the limit: it holds for
// the whole download, and the abandoned connection is closed.
TEST(UpdateCheck, TheTimeLimitCoversTheWholeDownload) {
  test::TempEnv env;
  VersionFileServer trickle({}, VersionFileServer::Answer::kTrickle);
  EXPECT_EQ(Check(trickle.Url(), UpdateMode::kOnDemand, 1000),
            std::vector<std::string>{"failed: the server did not answer within 1 seconds."});
  QEventLoop wait;
  for (int i = 0; i < 50 && trickle.Closed() == 0; ++i) {
    QTimer::singleShot(100, &wait, &QEventLoop::quit);
    wait.exec();
  }
  EXPECT_EQ(trickle.Closed(), 1);
}

TEST(UpdateCheck, FailureMessagesSayWhy) {
  test::TempEnv env;
  VersionFileServer huge(QByteArray(qsizetype{100} * 1024, 'x'), VersionFileServer::Answer::kServe);
  EXPECT_EQ(Check(huge.Url(), UpdateMode::kOnDemand),
            std::vector<std::string>{"failed: the version file is larger than 64 KiB."});
  VersionFileServer slow({}, VersionFileServer::Answer::kNever);
  EXPECT_EQ(Check(slow.Url(), UpdateMode::kOnDemand, 1000),
            std::vector<std::string>{"failed: the server did not answer within 1 seconds."});
  // Nothing listens on this port once the server is gone.
  QUrl closed;
  {
    VersionFileServer gone({}, VersionFileServer::Answer::kNever);
    closed = gone.Url();
  }
  const auto refused = Check(closed, UpdateMode::kOnDemand);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_NE(refused[0].find("refused"), std::string::npos) << refused[0];
}

TEST(UpdateCheck, StartUpCheckNeedsAReleaseAndANetwork) {
  EXPECT_TRUE(ShouldCheckAtStartup({1, 0, 0}, true));
  EXPECT_FALSE(ShouldCheckAtStartup({1, 0, 0}, false));
  EXPECT_FALSE(ShouldCheckAtStartup({0, 9, 9}, true));
}

}  // namespace
}  // namespace vidmora
