#pragma once

#include <QStringList>

namespace vidmora {

// What the program's start creates when it is missing, for every front end:
// the data folder, "preference.xml" with the first-start values (beside the
// source, suffix "_new", the documents folder as custom folder) and the demo
// template.
//
// A "preference.xml" that cannot be read as preferences (empty, truncated,
// not XML, another root) is kept as "preference.xml.bak" (or the first free
// "preference.xml.bak.N") and replaced by the first-start values. Each such
// repair, and anything that cannot be created, adds one line to `warnings`.
// Returns false when "preference.xml" had to be made and could not be.
bool PrepareDataFolder(QStringList* warnings = nullptr);

}  // namespace vidmora
