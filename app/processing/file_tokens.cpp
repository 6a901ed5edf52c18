#include "app/processing/file_tokens.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace vidmora {

namespace {

std::u16string U16(const QString& text) { return text.toStdU16String(); }

QString IsoDate(const QDateTime& time) { return time.toString(QStringLiteral("yyyy-MM-dd")); }

QString CreationDate(const FileTokenInput& input) {
  if (input.createdTag) {
    QDateTime tagged = QDateTime::fromString(input.createdTag->trimmed(), Qt::ISODateWithMs);
    if (!tagged.isValid()) tagged = QDateTime::fromString(input.createdTag->trimmed(), Qt::ISODate);
    if (tagged.isValid()) return IsoDate(tagged.toLocalTime());
  }
  const QFileInfo info(input.sourcePath);
  const QDateTime born = info.birthTime();
  return IsoDate((born.isValid() ? born : info.lastModified()).toLocalTime());
}

}  // namespace

TokenValues FileTokenValues(const FileTokenInput& input) {
  const QFileInfo info(input.sourcePath);
  const QDateTime now = input.now.isValid() ? input.now.toLocalTime() : QDateTime::currentDateTime();
  return {
      {u"file", U16(info.completeBaseName())},
      {u"ext", U16(info.suffix())},
      {u"folder", U16(info.absoluteDir().dirName())},
      {u"date", U16(IsoDate(now))},
      {u"time", U16(now.toString(QStringLiteral("HH:mm:ss")))},
      {u"created", U16(CreationDate(input))},
      {u"index", U16(QString::number(input.index))},
      {u"count", U16(QString::number(input.count))},
  };
}

QStringList UnknownTokens(const QStringList& texts, const TokenValues& values) {
  QStringList unknown;
  for (const QString& text : texts) {
    for (const std::u16string& token : ExpandTokens(text.toStdU16String(), values).unknown) {
      const QString typed = QString::fromStdU16String(token);
      if (!unknown.contains(typed)) unknown << typed;
    }
  }
  return unknown;
}

TokenValues SampleTokenValues() {
  FileTokenInput sample;
  sample.sourcePath = QStringLiteral("/home/you/Videos/Dailies/Scene_12_take_3.mov");
  sample.index = 3;
  sample.count = 12;
  sample.createdTag = QStringLiteral("2026-05-14T09:30:00Z");
  TokenValues values = FileTokenValues(sample);
  values[u"recipient"] = u"Jane Doe";
  return values;
}

}  // namespace vidmora
