#include "app/processing/recipients.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

namespace vidmora {

namespace {

// The fields of one CSV record starting at `at` (moved past it, and past its
// line end); `lines` counts the line ends met, quoted ones included.
QStringList ReadRecord(const QString& text, qsizetype& at, int& lines) {
  QStringList fields;
  QString field;
  bool quoted = false;
  while (at < text.size()) {
    const QChar c = text[at++];
    if (quoted) {
      if (c == u'"' && at < text.size() && text[at] == u'"') {
        field += u'"';
        ++at;
      } else if (c == u'"') {
        quoted = false;
      } else {
        if (c == u'\n') ++lines;
        field += c;
      }
    } else if (c == u'"') {
      quoted = true;
    } else if (c == u',') {
      fields << field;
      field.clear();
    } else if (c == u'\n' || c == u'\r') {
      if (c == u'\r' && at < text.size() && text[at] == u'\n') ++at;
      ++lines;
      break;
    } else {
      field += c;
    }
  }
  fields << field;
  return fields;
}

bool IsBlank(const QStringList& fields) { return fields.size() == 1 && fields[0].trimmed().isEmpty(); }

// The line (from 1) holding byte `offset`.
int LineOf(const QByteArray& bytes, qsizetype offset) { return static_cast<int>(bytes.left(offset).count('\n')) + 1; }

}  // namespace

RecipientsReading ParseRecipients(const QByteArray& bytes, const QString& name) {
  const auto refuse = [&](const QString& problem) { return RecipientsReading{std::nullopt, name + ": " + problem}; };
  // Invalid UTF-8 is named by its line: the decoder is run a line at a time.
  for (qsizetype start = 0; start < bytes.size();) {
    qsizetype end = bytes.indexOf('\n', start);
    if (end < 0) end = bytes.size();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder.decode(QByteArrayView(bytes).sliced(start, end - start));
    if (decoder.hasError()) return refuse(QString("line %1 is not UTF-8 text.").arg(LineOf(bytes, start)));
    start = end + 1;
  }
  QString text = QString::fromUtf8(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

  qsizetype at = 0;
  int line = 1;
  int lines = 0;
  QStringList header = ReadRecord(text, at, lines);
  if (IsBlank(header)) return refuse("the first line should name the columns, and it is empty.");
  for (QString& column : header) column = column.trimmed();
  for (qsizetype i = 0; i < header.size(); ++i) {
    if (header[i].isEmpty()) return refuse(QString("line 1: column %1 has no name.").arg(i + 1));
    if (header.indexOf(header[i]) != i)
      return refuse(QString("line 1: the column \"%1\" is named twice.").arg(header[i]));
  }
  line += lines;

  RecipientList list;
  list.columns = header;
  QHash<QString, int> seen;  // recipient to its line
  while (at < text.size()) {
    const int recordLine = line;
    lines = 0;
    const QStringList fields = ReadRecord(text, at, lines);
    line += lines;
    if (IsBlank(fields)) continue;
    if (static_cast<int>(list.recipients.size()) >= kMaxRecipients)
      return refuse(QString("line %1: more than %2 recipients; split the list.").arg(recordLine).arg(kMaxRecipients));
    Recipient recipient;
    recipient.line = recordLine;
    recipient.name = fields[0].trimmed();
    if (recipient.name.isEmpty())
      return refuse(QString("line %1: the first column (the recipient) is empty.").arg(recordLine));
    if (const auto earlier = seen.constFind(recipient.name); earlier != seen.constEnd())
      return refuse(QString("line %1: the recipient \"%2\" is on line %3 already.")
                        .arg(recordLine)
                        .arg(recipient.name)
                        .arg(*earlier));
    if (fields.size() > header.size())
      return refuse(QString("line %1 has %2 fields, but the first line names %3 columns.")
                        .arg(recordLine)
                        .arg(fields.size())
                        .arg(header.size()));
    seen.insert(recipient.name, recordLine);
    recipient.tokens[u"recipient"] = recipient.name.toStdU16String();
    for (qsizetype i = 0; i < header.size(); ++i)
      recipient.tokens[(QStringLiteral("recipient.") + header[i]).toStdU16String()] =
          (i < fields.size() ? fields[i].trimmed() : QString()).toStdU16String();
    list.recipients.push_back(std::move(recipient));
  }
  if (list.recipients.empty()) return refuse("it holds no recipients, only the line that names the columns.");
  return {std::move(list), {}};
}

RecipientsReading ReadRecipients(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {std::nullopt, path + ": cannot be read (" + file.errorString() + ")."};
  // Far more than kMaxRecipients rows of any sensible width.
  constexpr qint64 kMaxBytes = 64 << 20;
  if (file.size() > kMaxBytes) return {std::nullopt, path + ": the list is larger than 64 MB."};
  return ParseRecipients(file.readAll(), path);
}

QString MissingColumnsProblem(const RecipientList& list, const QStringList& texts) {
  QStringList missing;
  for (const QString& text : texts) {
    for (const TextPiece& piece : SplitTokens(text.toStdU16String())) {
      const QString name = QString::fromStdU16String(piece.text);
      if (!piece.token || !name.startsWith("recipient.")) continue;
      const QString column = name.mid(10);
      if (!list.columns.contains(column) && !missing.contains(column)) missing << column;
    }
  }
  if (missing.isEmpty()) return {};
  return QString("the template uses {recipient.%1}, but the recipient list has no column \"%1\" (its columns: %2).")
      .arg(missing.front(), list.columns.join(", "));
}

QString RecipientsProblem(const RecipientsReading& reading, const QStringList& texts) {
  if (!reading.list) return reading.problem;
  return MissingColumnsProblem(*reading.list, texts);
}

QString SafeFileNamePart(const QString& text, int maxBytes) {
  QString safe;
  for (const QChar c : text)
    safe += (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control) ? QChar(u'_') : c;
  while (!safe.isEmpty() && (safe.front() == u'.' || safe.front().isSpace())) safe.remove(0, 1);
  while (safe.toUtf8().size() > maxBytes) {
    safe.chop(1);
    if (!safe.isEmpty() && safe.back().isHighSurrogate()) safe.chop(1);
  }
  return safe.isEmpty() ? QStringLiteral("_") : safe;
}

QString OutputCountSummary(int files, int recipients) {
  QString fileText = QString("%1 %2").arg(files).arg(files == 1 ? "file" : "files");
  if (recipients <= 0) return fileText;
  return QString("%1 × %2 %3 = %4 %5")
      .arg(fileText)
      .arg(recipients)
      .arg(recipients == 1 ? "recipient" : "recipients")
      .arg(int64_t{files} * recipients)
      .arg(int64_t{files} * recipients == 1 ? "output" : "outputs");
}

}  // namespace vidmora
