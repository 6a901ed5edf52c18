#pragma once

// Whether a folder typed or chosen as the output folder can take outputs,
// checked before the preferences are saved. Touches the disk only to try:
// a folder that does not exist yet is not created. Any thread.

#include <QString>

namespace vidmora {

// Why outputs cannot be written into `folder` (a message for the user that
// names it), or empty when they can: empty or relative, a file or a link to
// a file in its place or on its way, or a folder (or, when missing, the
// nearest existing one above it) where this user cannot create files.
QString OutputFolderProblem(const QString& folder);

}  // namespace vidmora
