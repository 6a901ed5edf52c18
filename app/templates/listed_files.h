#pragma once

// File steps shared by templates and layers: each is an entry of a list file
// (the index or a template file) and a file "<name>.xml" in the templates
// folder. UI thread or any single thread at a time.

#include "app/templates/store_result.h"
#include "shared/template/template_files.h"

#include <QString>

namespace vidmora {

// Renames the first entry `name` of the list file to `newName`, then the file
// "<folder>/<name>.xml" to "<folder>/<newName>.xml" (never over an existing
// file). When the file cannot be renamed the list file gets its bytes back.
// `what` names the thing in messages ("template", "layer").
StoreResult RenameListedFile(const QString& folder, const QString& listPath, NameListKind kind, const QString& name,
                             const QString& newName, const QString& what);

// "<folder>/<name>.xml" as a QString.
QString NamedPath(const QString& folder, const QString& name);

}  // namespace vidmora
