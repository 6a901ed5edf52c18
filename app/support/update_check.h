#pragma once

// The update check: downloads the version file, compares the published
// version with this program's, and tells the user through an UpdateNotifier.
//
// A silent check (at start-up) shows only an available update; a check on
// demand (the help menu) also says that the program is up to date or why the
// check failed. A version file that is malformed, larger than 64 KiB or not
// complete within the time-out (10 seconds for the whole download) ends the check as failed.
//
// Runs on the user-interface thread: QNetworkAccessManager works
// asynchronously there, and the window never waits for it.

#include "app/support/version_file.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace vidmora {

enum class UpdateMode { kSilent, kOnDemand };

struct UpdateOutcome {
  enum class Kind { kAvailable, kLatest, kFailed };
  Kind kind = Kind::kFailed;
  ProgramVersion published;  // kAvailable and kLatest
  QString failure;           // kFailed: why, for the user
};

// What the window shows. Called on the user-interface thread.
class UpdateNotifier {
 public:
  virtual ~UpdateNotifier() = default;
  // Asks whether to download `published`; the notifier opens the download page on yes.
  virtual void OfferUpdate(const ProgramVersion& published) = 0;
  virtual void ReportLatest() = 0;
  virtual void ReportFailure(const QString& reason) = 0;
};

// Newer when the major is greater, or equal majors and a greater minor, or
// equal majors and minors and a greater build.
UpdateOutcome CompareVersions(const ProgramVersion& published, const ProgramVersion& current);

// Hands the outcome to the notifier as the mode wants it.
void Notify(const UpdateOutcome& outcome, UpdateMode mode, UpdateNotifier& notifier);

// The address of the version file: a setting of the program ("Links/VersionFile"
// of ~/.config/VIDMORA/Vidmora.conf), with the product's address as default.
QUrl VersionFileUrl();

// The start-up check runs only for a released version (major above 0) on a
// machine with a network (a default route).
bool ShouldCheckAtStartup(const ProgramVersion& current, bool hasNetwork);
bool HasDefaultRoute();

// One download of the version file at a time per object; a new Start while
// one runs abandons the old one. The file is read where it was received and
// never written to disk.
class UpdateCheck : public QObject {
  Q_OBJECT

 public:
  static constexpr qint64 kMaxVersionFileBytes = qint64{64} * 1024;
  static constexpr int kDefaultTimeoutMs = 10'000;

  explicit UpdateCheck(QObject* parent = nullptr);
  ~UpdateCheck() override;

  void SetTimeoutMs(int timeoutMs) { timeoutMs_ = timeoutMs; }
  void Start(const QUrl& versionFile, const ProgramVersion& current, UpdateMode mode);
  bool IsRunning() const { return reply_ != nullptr; }

 signals:
  void finished(const vidmora::UpdateOutcome& outcome, vidmora::UpdateMode mode);

 private:
  void OnReadyRead();
  void OnFinished();
  void Finish(const UpdateOutcome& outcome);
  // Stops and lets go of the running request, if any, without reporting it.
  void DropReply();

  QNetworkAccessManager* network_;
  QNetworkReply* reply_ = nullptr;
  QTimer* deadline_;
  QByteArray received_;
  bool tooLarge_ = false;
  ProgramVersion current_;
  UpdateMode mode_ = UpdateMode::kSilent;
  int timeoutMs_ = kDefaultTimeoutMs;
};

// Starts a check and shows its outcome through `notifier` (which must outlive
// it); the check deletes itself when done.
void RunUpdateCheck(const QUrl& versionFile, UpdateMode mode, UpdateNotifier& notifier, QObject* parent);

}  // namespace vidmora
