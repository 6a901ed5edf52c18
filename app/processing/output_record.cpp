#include "app/processing/output_record.h"

#include "draw/glyphra.h"
#include "draw/template_reading.h"
#include "shared/template/template_files.h"

#include <QCryptographicHash>
#include <QFile>

#include <filesystem>

namespace vidmora {

namespace {

constexpr qint64 kHeadBytes = qint64{1024} * 1024;
constexpr const char* kPrefix = "vidmora-output v1; ";

QString Hex(const QByteArray& digest) { return QString::fromLatin1(digest.toHex()); }

}  // namespace

std::optional<SourceIdentity> IdentifySource(const QString& path, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QString("%1 cannot be read: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  const QByteArray head = file.read(kHeadBytes);
  return SourceIdentity{file.size(), Hex(QCryptographicHash::hash(head, QCryptographicHash::Sha256))};
}

QString FormatOutputRecord(const OutputRecord& record) {
  return QString(kPrefix) + QString("size=%1; head=%2; settings=%3; source=")
                                .arg(QString::number(record.source.sizeBytes), record.source.headSha256,
                                     record.settings) +
         record.sourcePath;
}

std::optional<OutputRecord> ParseOutputRecord(const QString& text) {
  if (!text.startsWith(kPrefix)) return std::nullopt;
  const QString body = text.mid(QString(kPrefix).size());
  const qsizetype sourceAt = body.indexOf("source=");
  if (sourceAt < 0) return std::nullopt;
  OutputRecord record;
  record.sourcePath = body.mid(sourceAt + 7);
  for (const QString& field : body.left(sourceAt).split("; ", Qt::SkipEmptyParts)) {
    const qsizetype equals = field.indexOf('=');
    if (equals <= 0) return std::nullopt;
    const QString key = field.left(equals);
    const QString value = field.mid(equals + 1);
    if (key == "size") {
      bool ok = false;
      record.source.sizeBytes = value.toLongLong(&ok);
      if (!ok || record.source.sizeBytes < 0) return std::nullopt;
    } else if (key == "head") {
      record.source.headSha256 = value;
    } else if (key == "settings") {
      record.settings = value;
    }
  }
  if (record.source.sizeBytes < 0 || record.source.headSha256.isEmpty()) return std::nullopt;
  return record;
}

QString SettingsFingerprint(const QString& templateFingerprint, const std::vector<std::string>& encoderArguments,
                            const QString& sourcePath, const QString& outputPath) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(templateFingerprint.toUtf8());
  const std::string source = sourcePath.toStdString();
  const std::string output = outputPath.toStdString();
  for (const std::string& argument : encoderArguments) {
    if (argument == source || argument == output) continue;
    hash.addData(QByteArray::fromStdString(argument));
    hash.addData(QByteArray(1, '\0'));
  }
  return Hex(hash.result()).left(32);
}

QString TemplateFingerprint(const QString& templatesFolder, const QString& templateName) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  const auto addFile = [&hash](const QString& path) {
    hash.addData(path.toUtf8());
    hash.addData(QByteArray(1, '\0'));
    // Only a regular file is read: a pipe would be drained before the painter reads it.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path.toStdString(), error)) return;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) hash.addData(file.readAll());
  };
  hash.addData(templateName.toUtf8());
  const auto fileOf = [&templatesFolder](const QString& name) {
    return QString::fromStdU16String(NamedFilePath(templatesFolder.toStdU16String(), name.toStdU16String()));
  };
  addFile(fileOf(templateName));
  // What the painter reads: the layer files the template lists, in order, and
  // the pictures they name, whose bytes decide the pixels as much.
  glyphra::TemplateReading reading;
  const std::u16string folderPath = templatesFolder.toStdU16String();
  const std::u16string name = templateName.toStdU16String();
  ReadWatermarkTemplate(folderPath.c_str(), name.c_str(), 0, &reading);
  for (const glyphra::TemplateLayer& layer : reading.layers) {
    addFile(fileOf(layer.name));
    if (!layer.values.imagePathName.empty()) addFile(QString::fromStdU16String(layer.values.imagePathName));
  }
  return Hex(hash.result());
}

}  // namespace vidmora
