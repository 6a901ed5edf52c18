#include "cli/file_list.h"

#include <QFile>

#include <cstdio>

namespace vidmora::cli {

namespace {

std::optional<int> Whole(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace

std::optional<QStringList> ReadFileList(const QString& listPath, QString& error) {
  QFile file;
  const bool opened = listPath == "-" ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(listPath), file.open(QIODevice::ReadOnly));
  if (!opened) {
    error = QString("--files-from %1: the list cannot be read: %2").arg(listPath, file.errorString());
    return std::nullopt;
  }
  QStringList files;
  while (!file.atEnd()) {
    QString line = QString::fromUtf8(file.readLine());
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    if (line.trimmed().isEmpty() || line.startsWith('#')) continue;
    files << line;
  }
  if (file.error() != QFileDevice::NoError) {
    error = QString("--files-from %1: the list cannot be read: %2").arg(listPath, file.errorString());
    return std::nullopt;
  }
  return files;
}

std::optional<Shard> ParseShard(const QString& text, QString& error) {
  const QStringList parts = text.split('/');
  const std::optional<int> k = parts.size() == 2 ? Whole(parts[0]) : std::nullopt;
  const std::optional<int> n = parts.size() == 2 ? Whole(parts[1]) : std::nullopt;
  if (!k || !n || *n < 1 || *k < 0 || *k >= *n) {
    error = QString("--shard: \"%1\" is not K/N with K from 0 to N - 1, or auto").arg(text);
    return std::nullopt;
  }
  return Shard{*k, *n, {}};
}

std::optional<Shard> ShardFromEnvironment(const std::function<QString(const char*)>& environment,
                                          std::optional<int> shards, QString& error) {
  const auto number = [&](const char* name) -> std::optional<int> {
    const QString value = environment(name);
    if (value.isEmpty()) return std::nullopt;
    return Whole(value);
  };
  const auto fromIndex = [&](const char* name) -> std::optional<Shard> {
    const std::optional<int> index = number(name);
    if (!index) {
      error = QString("--shard auto: %1=\"%2\" is not a number").arg(name, environment(name));
      return std::nullopt;
    }
    if (!shards) {
      error = QString("--shard auto: %1 is set; give the number of tasks with --shards N").arg(name);
      return std::nullopt;
    }
    if (*index < 0 || *index >= *shards) {
      error = QString("--shard auto: %1=%2 is not below --shards %3").arg(name).arg(*index).arg(*shards);
      return std::nullopt;
    }
    return Shard{*index, *shards, QString("%1=%2, --shards %3").arg(name).arg(*index).arg(*shards)};
  };

  if (!environment("SLURM_ARRAY_TASK_ID").isEmpty()) {
    const std::optional<int> id = number("SLURM_ARRAY_TASK_ID");
    const std::optional<int> count = number("SLURM_ARRAY_TASK_COUNT");
    const std::optional<int> min = environment("SLURM_ARRAY_TASK_MIN").isEmpty() ? 0 : number("SLURM_ARRAY_TASK_MIN");
    if (!id || !count || !min || *count < 1 || *id - *min < 0 || *id - *min >= *count) {
      error = QString("--shard auto: the Slurm array variables (SLURM_ARRAY_TASK_ID=%1, SLURM_ARRAY_TASK_COUNT=%2, "
                      "SLURM_ARRAY_TASK_MIN=%3) give no task of the array")
                  .arg(environment("SLURM_ARRAY_TASK_ID"), environment("SLURM_ARRAY_TASK_COUNT"),
                       environment("SLURM_ARRAY_TASK_MIN"));
      return std::nullopt;
    }
    return Shard{*id - *min, *count,
                 QString("SLURM_ARRAY_TASK_ID=%1, SLURM_ARRAY_TASK_MIN=%2, SLURM_ARRAY_TASK_COUNT=%3")
                     .arg(*id)
                     .arg(*min)
                     .arg(*count)};
  }
  if (!environment("JOB_COMPLETION_INDEX").isEmpty()) return fromIndex("JOB_COMPLETION_INDEX");
  if (!environment("AWS_BATCH_JOB_ARRAY_INDEX").isEmpty()) return fromIndex("AWS_BATCH_JOB_ARRAY_INDEX");
  error =
      "--shard auto: no job array found (SLURM_ARRAY_TASK_ID, JOB_COMPLETION_INDEX or AWS_BATCH_JOB_ARRAY_INDEX)";
  return std::nullopt;
}

QStringList FilesOfShard(const QStringList& files, const Shard& shard) {
  QStringList share;
  for (qsizetype i = shard.index; i < files.size(); i += shard.count) share << files[i];
  return share;
}

}  // namespace vidmora::cli
