#pragma once

// The user's watermark templates on disk: the index file "qthumb.xml", one
// template file per template and one layer file per layer, side by side in
// the templates folder. Every function reads or writes the files afresh;
// those that change the folder hold a lock on it meanwhile (FolderLock), so
// that two programs adding templates at once both find theirs listed.

#include "app/processing/templates/store_result.h"

#include <QString>
#include <QStringList>

namespace vidmora {

inline constexpr const char* kDemoTemplateName = "Demo 1";
inline constexpr const char* kConfigFileName = "config.ini";

// Creates the templates folder and the demo template "Demo 1" (one layer,
// "Demo 1_Layer 1", text "Vidmora") when the folder does not exist. Returns
// true when it made them; a folder that exists (even empty) is left alone.
bool EnsureDemoTemplate(const QString& templatesFolder);

// The template names of the index file, in list order; empty when it cannot
// be read.
QStringList ReadTemplateNames(const QString& templatesFolder);

// The row of the template list selected when the program last closed:
// "config.ini" in the data folder, section "General", key "template"
// (default 0).
int StoredTemplateRow();
void StoreTemplateRow(int row);

// The name of the stored row in the index; "Demo 1" when there is none.
QString StoredTemplateName(const QString& templatesFolder);

// Adds template `name` last in the index, with its template file listing the
// layer "<name>_Layer 1" and that layer's file (text "Vidmora For Win"); when
// another template uses that layer name, the first free "<name>_Layer N".
// Files are created new, never over existing ones. A missing index file is
// created. Names are checked with NameRefusal first.
StoreResult AddTemplate(const QString& templatesFolder, const QString& name);

// Renames the template in the index and its file; its layers keep their
// names. Nothing changes when the index cannot be written; when the file
// cannot be renamed the index is put back as it was.
StoreResult RenameTemplate(const QString& templatesFolder, const QString& name, const QString& newName);

// Removes the template from the index and deletes its file and the files of
// the layers it lists (files that do not exist are no failure).
StoreResult RemoveTemplate(const QString& templatesFolder, const QString& name);

}  // namespace vidmora
