#include "cli/watch_record.h"

#include "app/processing/settings/app_folders.h"
#include "shared/io/atomic_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace vidmora::cli {

std::optional<FileStamp> StampOf(const QString& path) {
  struct stat info {};
  if (stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return FileStamp{static_cast<qint64>(info.st_size),
                   static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

WatchRecord::WatchRecord(QString recordPath, QString& warning) : path_(std::move(recordPath)) {
  QFile file(path_);
  if (!file.exists()) return;
  QJsonParseError parseError{};
  const QJsonDocument document =
      file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll(), &parseError) : QJsonDocument();
  file.close();
  if (!document.isObject() || !document.object().value("files").isArray()) {
    QFile::remove(path_ + ".bak");
    QFile::rename(path_, path_ + ".bak");
    warning = QString("the watch record %1 was damaged; it is kept as %1.bak and the folder is looked at afresh")
                  .arg(path_);
    return;
  }
  for (const QJsonValue value : document.object().value("files").toArray()) {
    const QJsonObject entry = value.toObject();
    // A failure that may pass is tried again after a restart.
    if (entry.value("state").toString() == "retry") continue;
    entries_.insert(entry.value("source").toString(),
                    {{static_cast<qint64>(entry.value("size").toDouble(-1)),
                      entry.value("mtime_ns").toString().toLongLong()},
                     entry.value("state").toString()});
  }
}

bool WatchRecord::Handled(const QString& source, const FileStamp& stamp) const {
  const auto found = entries_.constFind(source);
  return found != entries_.constEnd() && found->stamp == stamp;
}

QString WatchRecord::Note(const QString& source, const FileStamp& stamp, const QString& state) {
  entries_.insert(source, {stamp, state});
  QJsonArray files;
  for (auto it = entries_.constBegin(); it != entries_.constEnd(); ++it)
    files.append(QJsonObject{{"source", it.key()},
                             {"size", static_cast<double>(it->stamp.sizeBytes)},
                             {"mtime_ns", QString::number(it->stamp.modifiedNs)},
                             {"state", it->state}});
  QDir().mkpath(QFileInfo(path_).absolutePath());
  const QByteArray bytes = QJsonDocument(QJsonObject{{"files", files}}).toJson();
  if (const std::error_code error =
          ReplaceFileAtomically(QFile::encodeName(path_).toStdString(),
                                std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))))
    return QString::fromStdString(error.message());
  return {};
}

QString WatchRecordPath(const QString& inFolder, const QString& outFolder) {
  const QByteArray key = (QDir(inFolder).absolutePath() + "\n" + QDir(outFolder).absolutePath()).toUtf8();
  const QString name = QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
  return DataFolder() + "/watch/" + name + ".json";
}

}  // namespace vidmora::cli
