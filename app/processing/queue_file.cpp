#include "app/processing/queue_file.h"

#include "shared/io/atomic_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <optional>
#include <utility>

namespace vidmora {

namespace {

constexpr int kVersion = 1;

// The words the file stores a state by; it is read back by word, so the
// enum's numbers may change.
constexpr std::array<std::pair<RowState, const char*>, 5> kStateWords{{
    {RowState::Ready, "ready"},
    {RowState::Doing, "doing"},
    {RowState::Done, "done"},
    {RowState::Failed, "failed"},
    {RowState::Skipped, "skipped"},
}};

QString WordOf(RowState state) {
  for (const auto& [value, word] : kStateWords)
    if (value == state) return QString::fromLatin1(word);
  return QStringLiteral("ready");
}

std::optional<RowState> StateOf(const QString& word) {
  for (const auto& [value, text] : kStateWords)
    if (word == QLatin1String(text)) return value;
  return std::nullopt;
}

// The rows of a file's text; nothing when it is not a queue this program wrote.
std::optional<std::vector<QueuedRow>> ParseQueue(const QByteArray& text) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(text, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonObject root = document.object();
  if (root.value(QStringLiteral("version")).toInt() != kVersion || !root.value(QStringLiteral("rows")).isArray())
    return std::nullopt;
  std::vector<QueuedRow> rows;
  for (const QJsonValue value : root.value(QStringLiteral("rows")).toArray()) {
    const QJsonObject item = value.toObject();
    QueuedRow row;
    row.sourcePath = item.value(QStringLiteral("source")).toString();
    const std::optional<RowState> state = StateOf(item.value(QStringLiteral("state")).toString());
    if (row.sourcePath.isEmpty() || !state) return std::nullopt;
    // A file being encoded when the program ended was not finished.
    row.status.state = *state == RowState::Doing ? RowState::Ready : *state;
    if (row.status.state != RowState::Ready) {
      row.status.reason = item.value(QStringLiteral("reason")).toString();
      row.status.outputPath = item.value(QStringLiteral("output")).toString();
      for (const QJsonValue note : item.value(QStringLiteral("notes")).toArray()) row.status.notes << note.toString();
      row.status.retryMayHelp = item.value(QStringLiteral("retryMayHelp")).toBool();
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

QueueRead ReadQueue(const QString& path) {
  QFile file(path);
  if (!file.exists()) return {};
  QueueRead read;
  if (file.open(QIODevice::ReadOnly)) {
    if (auto rows = ParseQueue(file.readAll())) {
      read.rows = std::move(*rows);
      return read;
    }
    file.close();
  }
  const QString kept = path + QStringLiteral(".bak");
  QFile::remove(kept);
  const bool moved = QFile::rename(path, kept);
  read.warning = moved ? QStringLiteral(
                             "The list of files \"%1\" could not be read; it was kept as \"%2\" and the "
                             "list starts empty.")
                             .arg(path, kept)
                       : QStringLiteral("The list of files \"%1\" could not be read; the list starts empty.").arg(path);
  return read;
}

QString WriteQueue(const QString& path, const std::vector<QueuedRow>& rows) {
  QJsonArray items;
  for (const QueuedRow& row : rows) {
    QJsonObject item{{QStringLiteral("source"), row.sourcePath}, {QStringLiteral("state"), WordOf(row.status.state)}};
    if (!row.status.reason.isEmpty()) item.insert(QStringLiteral("reason"), row.status.reason);
    if (!row.status.outputPath.isEmpty()) item.insert(QStringLiteral("output"), row.status.outputPath);
    if (!row.status.notes.isEmpty()) item.insert(QStringLiteral("notes"), QJsonArray::fromStringList(row.status.notes));
    if (row.status.retryMayHelp) item.insert(QStringLiteral("retryMayHelp"), true);
    items.append(item);
  }
  const QJsonObject root{{QStringLiteral("version"), kVersion}, {QStringLiteral("rows"), items}};
  const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
  const std::error_code error = ReplaceFileAtomically(QFile::encodeName(path).toStdString(), bytes.toStdString());
  if (!error) return {};
  return QStringLiteral("The list of files could not be saved to \"%1\": %2.")
      .arg(path, QString::fromStdString(error.message()));
}

}  // namespace vidmora
