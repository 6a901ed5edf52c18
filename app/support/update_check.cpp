#include "app/support/update_check.h"

#include "shared/program_profile.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QTimer>

namespace vidmora {

namespace {

const char* const kDefaultVersionFileUrl = "https://www.vidmora.example/update/kd_version.ini";

UpdateOutcome Failed(const QString& reason) { return {UpdateOutcome::Kind::kFailed, {}, reason}; }

}  // namespace

UpdateOutcome CompareVersions(const ProgramVersion& published, const ProgramVersion& current) {
  return {published > current ? UpdateOutcome::Kind::kAvailable : UpdateOutcome::Kind::kLatest, published, {}};
}

void Notify(const UpdateOutcome& outcome, UpdateMode mode, UpdateNotifier& notifier) {
  switch (outcome.kind) {
    case UpdateOutcome::Kind::kAvailable:
      notifier.OfferUpdate(outcome.published);
      break;
    case UpdateOutcome::Kind::kLatest:
      if (mode == UpdateMode::kOnDemand) notifier.ReportLatest();
      break;
    case UpdateOutcome::Kind::kFailed:
      if (mode == UpdateMode::kOnDemand) notifier.ReportFailure(outcome.failure);
      break;
  }
}

QUrl VersionFileUrl() {
  const QSettings settings(kProfileOrganization, kProfileApplication);
  return QUrl(settings.value(QStringLiteral("Links/VersionFile"), QString::fromLatin1(kDefaultVersionFileUrl)).toString());
}

bool ShouldCheckAtStartup(const ProgramVersion& current, bool hasNetwork) { return current.major > 0 && hasNetwork; }

bool HasDefaultRoute() {
  // IPv4: a route whose destination is 00000000. IPv6: a route to ::/0 that
  // is not the unreachable one on the loopback device.
  QFile ipv4(QStringLiteral("/proc/net/route"));
  if (ipv4.open(QIODevice::ReadOnly)) {
    ipv4.readLine();  // the heading
    while (!ipv4.atEnd()) {
      const QList<QByteArray> fields = ipv4.readLine().simplified().split(' ');
      if (fields.size() > 1 && fields[1] == "00000000") return true;
    }
  }
  QFile ipv6(QStringLiteral("/proc/net/ipv6_route"));
  if (ipv6.open(QIODevice::ReadOnly)) {
    while (!ipv6.atEnd()) {
      const QList<QByteArray> fields = ipv6.readLine().simplified().split(' ');
      if (fields.size() == 10 && fields[0] == QByteArray(32, '0') && fields[1] == "00" && fields[9] != "lo")
        return true;
    }
  }
  return false;
}

UpdateCheck::UpdateCheck(QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)), deadline_(new QTimer(this)) {
  deadline_->setSingleShot(true);
  connect(deadline_, &QTimer::timeout, this, [this] {
    if (reply_ != nullptr) reply_->abort();  // finished follows, as cancelled
  });
}

UpdateCheck::~UpdateCheck() { DropReply(); }

void UpdateCheck::DropReply() {
  if (reply_ == nullptr) return;
  reply_->disconnect(this);
  reply_->abort();
  reply_->deleteLater();
  reply_ = nullptr;
}

void UpdateCheck::Start(const QUrl& versionFile, const ProgramVersion& current, UpdateMode mode) {
  DropReply();
  current_ = current;
  mode_ = mode;
  received_.clear();
  tooLarge_ = false;
  if (!versionFile.isValid() || versionFile.isRelative()) {
    // Delivered like every other outcome: after Start has returned.
    QMetaObject::invokeMethod(
        this, [this, versionFile] { Finish(Failed(tr("the address \"%1\" is not valid.").arg(versionFile.toString()))); },
        Qt::QueuedConnection);
    return;
  }
  QNetworkRequest request(versionFile);
  // Always from the server: a cached old version file would hide an update.
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  // Qt's transfer time-out restarts with every byte received; the deadline
  // holds for the whole download.
  request.setTransferTimeout(timeoutMs_);
  reply_ = network_->get(request);
  deadline_->start(timeoutMs_);
  connect(reply_, &QNetworkReply::readyRead, this, &UpdateCheck::OnReadyRead);
  connect(reply_, &QNetworkReply::finished, this, &UpdateCheck::OnFinished);
}

void UpdateCheck::OnReadyRead() {
  if (tooLarge_) return;
  received_ += reply_->read(kMaxVersionFileBytes + 1 - received_.size());
  if (received_.size() > kMaxVersionFileBytes) {
    tooLarge_ = true;
    reply_->abort();  // finished follows
  }
}

void UpdateCheck::OnFinished() {
  deadline_->stop();
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  reply->deleteLater();
  if (!tooLarge_ && reply->error() == QNetworkReply::NoError) {
    received_ += reply->read(kMaxVersionFileBytes + 1 - received_.size());
    tooLarge_ = received_.size() > kMaxVersionFileBytes;
  }
  if (tooLarge_) return Finish(Failed(tr("the version file is larger than 64 KiB.")));
  // The transfer time-out aborts the reply (Qt reports it as cancelled).
  if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError)
    return Finish(Failed(tr("the server did not answer within %1 seconds.").arg(timeoutMs_ / 1000.0)));
  if (reply->error() != QNetworkReply::NoError) return Finish(Failed(reply->errorString()));

  const auto published = ReadVersionFile(received_);
  if (!published) return Finish(Failed(tr("the server's version file is not valid.")));
  Finish(CompareVersions(*published, current_));
}

void UpdateCheck::Finish(const UpdateOutcome& outcome) { emit finished(outcome, mode_); }

void RunUpdateCheck(const QUrl& versionFile, UpdateMode mode, UpdateNotifier& notifier, QObject* parent) {
  auto* check = new UpdateCheck(parent);
  QObject::connect(check, &UpdateCheck::finished, check,
                   [check, &notifier](const UpdateOutcome& outcome, UpdateMode finishedMode) {
                     check->deleteLater();
                     Notify(outcome, finishedMode, notifier);
                   });
  check->Start(versionFile, CurrentProgramVersion(), mode);
}

}  // namespace vidmora
