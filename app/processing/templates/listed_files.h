#pragma once

// File steps shared by templates and layers: each is an entry of a list file
// (the index or a template file) and a file "<name>.xml" in the templates
// folder. UI thread or any single thread at a time.

#include "app/processing/templates/store_result.h"
#include "shared/template/template_files.h"

#include <QString>

namespace vidmora {

// Renames the first entry `name` of the list file to `newName`, then the file
// "<folder>/<name>.xml" to "<folder>/<newName>.xml" (never over an existing
// file). Nothing is renamed when the list cannot be written (a full disk);
// when the file cannot be renamed the list file gets its bytes back.
// `what` names the thing in messages ("template", "layer").
StoreResult RenameListedFile(const QString& folder, const QString& listPath, NameListKind kind, const QString& name,
                             const QString& newName, const QString& what);

// Creates `path` as a new empty file (O_EXCL, never through a link), so that
// a name is this caller's before its content is written; false when
// something is there already or it cannot be created.
bool ClaimNewFile(const QString& path);

// Holds an exclusive lock (flock) on the templates folder while it lives, so
// that changes of the index by two programs (or threads) at once follow each
// other rather than one losing the other's entry. No file is added to the
// folder. Without a lock (the folder cannot be opened) it goes on unlocked.
class FolderLock {
 public:
  explicit FolderLock(const QString& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// Why a file could not be written or created, for the user: `error` is an
// errno value ("the disk is full", "the name is too long for the file
// system", "permission denied", else the system's own text).
QString FileErrorText(int error);

// "<folder>/<name>.xml" as a QString.
QString NamedPath(const QString& folder, const QString& name);

}  // namespace vidmora
