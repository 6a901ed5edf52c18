#pragma once

// Names of templates become file names ("<name>.xml") in the one templates
// folder that also holds the index file; a layer's file is named after the
// layer where that name is free in the folder (layer_store.h). These checks
// keep a name from escaping the folder, from clashing with a name in use and
// from being one the file system cannot store. Any thread.

#include <QString>
#include <QStringList>

namespace vidmora {

enum class NamedThing { kTemplate, kLayer };

// File names on Linux file systems hold at most 255 bytes (".xml" included).
inline constexpr qsizetype kMaxFileNameBytes = 255;

// Every name the folder uses (what a template's name, and a new file's name,
// must not be), without regard to case when compared: the
// templates of the index, the layers listed by every template file, and the
// base name of every ".xml" file there.
QStringList NamesInUse(const QString& templatesFolder);

// Why `name` cannot be given to a new or renamed template or layer (a
// message for the user), or an empty string when it can. Refused: an empty
// name, "." and "..", "qthumb", characters file names of the program cannot
// hold (\ / : ? < > | * " and control characters), blanks at either end
// (which make blank and look-alike names), a file name too long for the file
// system (for a template, also its first layer's "<name>_Layer 1"), and a
// name equal, without regard to case, to one in `inUse`.
QString NameRefusal(const QString& name, const QStringList& inUse, NamedThing thing);

// Whether `name` is safe to join to the folder for reading or deleting a
// file that some list names (it cannot reach outside the folder).
bool StaysInFolder(const QString& name);

}  // namespace vidmora
