#pragma once

// The values of the tokens of a layer text for one file of a run: its name,
// extension and folder, the time of the run, the source's creation date,
// its place in the run and, with a recipient list, the recipient's columns
// (recipients.h). The painter fills in the frame tokens itself. Plain
// values; any thread.

#include "shared/template/text_tokens.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace vidmora {

struct FileTokenInput {
  QString sourcePath;
  int index = 1;  // the file's place in the run, from 1
  int count = 1;  // the run's size
  // The source's "creation_time" tag as stored (ISO 8601, usually UTC);
  // nothing or unreadable: the file's own time is taken.
  std::optional<QString> createdTag;
  QDateTime now;  // the run's time, in the user's time zone
};

// {file} {ext} {folder} {date} {time} {created} {index} {count}.
TokenValues FileTokenValues(const FileTokenInput& input);

// The tokens of `texts` that have no value in `values`, as typed, each once
// (frame tokens have theirs per frame).
QStringList UnknownTokens(const QStringList& texts, const TokenValues& values);

// Values that look like those of a real file, for showing a template.
TokenValues SampleTokenValues();

}  // namespace vidmora
