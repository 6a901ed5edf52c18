#pragma once

// The output preview's cache of pictures: <temporary folder>/Vidmora, and
// below it each source's absolute path with ".png" added, so that two files
// of one name in different folders never share a picture. Pictures show the
// template as it was when they were made; whoever changes a template or the
// resizing settings empties the cache. Any thread.

#include <QString>

namespace vidmora {

QString PreviewCacheFolder();
// The cache picture of a source file (made absolute first).
QString PreviewCachePath(const QString& sourcePath);
// Deletes the cache folder with its contents; false when something stayed.
// Refuses (false, nothing deleted) when the data folder lies inside it, as it
// does when the temporary folder is set to the data folder or above it.
bool EmptyPreviewCache();

}  // namespace vidmora
