#pragma once

// The window's queue kept between runs of the program: each row's source and
// the status the batch gave it (state, reason, output, notes), in the data
// folder as "queue.json". Written whole, atomically, after every change; a
// file that cannot be read is kept aside as "queue.json.bak" and the queue
// starts empty, with a warning naming both. A row that was being encoded when
// the program ended comes back ready.
//
// Any thread; one writer at a time per file.

#include "app/processing/batch.h"

#include <QString>

#include <vector>

namespace vidmora {

inline constexpr const char* kQueueFileName = "queue.json";

struct QueuedRow {
  QString sourcePath;
  RowStatus status;
};

struct QueueRead {
  std::vector<QueuedRow> rows;
  QString warning;  // one line for the user when the file was damaged; else empty
};

QueueRead ReadQueue(const QString& path);
// An empty string, or why the file could not be written.
QString WriteQueue(const QString& path, const std::vector<QueuedRow>& rows);

}  // namespace vidmora
