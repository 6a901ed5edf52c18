#pragma once

// The user's watermark templates on disk: the index file "qthumb.xml", one
// template file per template and one layer file per layer, side by side in
// the templates folder. Every function reads or writes the files afresh.

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

// True when the template's file can be read.
bool TemplateExists(const QString& templatesFolder, const QString& templateName);

// The row of the template list selected when the program last closed:
// "config.ini" in the data folder, section "General", key "template"
// (default 0).
int StoredTemplateRow();
void StoreTemplateRow(int row);

// The name of the stored row in the index; "Demo 1" when there is none.
QString StoredTemplateName(const QString& templatesFolder);

}  // namespace vidmora
