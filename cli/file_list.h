#pragma once

// The list of files of a batch and the share of it one task of a job array
// takes. Pure functions besides ReadFileList; any thread.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vidmora::cli {

// The paths of a list file ("-": standard input), one a line; blank lines
// and lines beginning with "#" are skipped, a trailing "\r" is dropped.
// Nothing with `error` set when the file cannot be read.
std::optional<QStringList> ReadFileList(const QString& listPath, QString& error);

struct Shard {
  int index = 0;  // K, from 0
  int count = 1;  // N
  QString origin; // where K and N came from, for the user; empty for --shard K/N
};

// "K/N" with 0 <= K < N; nothing with `error` set otherwise.
std::optional<Shard> ParseShard(const QString& text, QString& error);

// K and N from a scheduler's environment: Slurm's SLURM_ARRAY_TASK_ID,
// SLURM_ARRAY_TASK_COUNT and SLURM_ARRAY_TASK_MIN; Kubernetes'
// JOB_COMPLETION_INDEX with `shards`; AWS Batch's AWS_BATCH_JOB_ARRAY_INDEX
// with `shards`. `environment` gives a variable's value (empty when unset).
std::optional<Shard> ShardFromEnvironment(const std::function<QString(const char*)>& environment,
                                          std::optional<int> shards, QString& error);

// The files at positions K, K + N, K + 2N... of `files`.
QStringList FilesOfShard(const QStringList& files, const Shard& shard);

}  // namespace vidmora::cli
