#pragma once

// Checks on the files of a job, made before anything is opened or written, so
// that a source is never read in a way that can hang and an output is never
// attempted where it cannot be written. Paths are handed to the system as the
// bytes Qt encodes them to. Any thread.

#include <QString>

namespace vidmora {

// Empty when `sourcePath` leads (after links) to a regular file; otherwise one
// line saying why it is not taken: missing, a folder, a FIFO, a device...
QString SourceFileProblem(const QString& sourcePath);

// True when both paths lead to one existing file, whatever their spelling
// (links, relative paths, "..").
bool IsSameFile(const QString& a, const QString& b);

// Empty when the file name of `outputPath` fits the file system of its
// folder; otherwise one line with the name's length and the limit.
QString OutputNameProblem(const QString& outputPath);

// Creates `folder` and its parents when missing. Empty on success; otherwise
// one line naming the folder and the system's reason.
QString MakeOutputFolder(const QString& folder);

}  // namespace vidmora
