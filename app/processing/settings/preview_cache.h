#pragma once

// The output preview's cache of pictures: <cache folder>/preview, where the
// cache folder is the user's own ($XDG_CACHE_HOME/Vidmora, else
// ~/.cache/Vidmora, mode 0700, owner checked), and below it each source's
// absolute path with ".png" added, so that two files of one name in
// different folders never share a picture. Pictures show the template as it
// was when they were made; whoever changes a template or the resizing
// settings empties the cache. Any thread.

#include <QByteArray>
#include <QString>

namespace vidmora {

// Empty when the cache folder cannot be made private to this user: nothing
// is then cached.
QString PreviewCacheFolder();
// The cache picture of a source file (made absolute first); empty when
// there is no cache folder.
QString PreviewCachePath(const QString& sourcePath);
// Writes a cache picture whole or not at all, never through a link; false
// when it could not be written.
bool WritePreviewCacheFile(const QString& cachePath, const QByteArray& bytes);
// Deletes the cache's pictures ("*.png" files, never through a link) and the
// folders that are then empty; whatever else is there stays. False when a
// picture stayed. Refuses (false, nothing deleted) when the data folder lies
// inside the cache, as it does when the cache home is set to the data folder
// or above it.
bool EmptyPreviewCache();

}  // namespace vidmora
