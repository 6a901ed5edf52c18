#pragma once

// Whether a template can be painted as saved: it is a name of the index, its
// file lists its layers, every layer file is there and readable, and every
// picture a layer names loads. A run checks its template before each file, so
// that nothing is reported done without its watermark. Any thread; reads the
// files afresh every time.

#include <QString>
#include <QStringList>

namespace vidmora {

// True when `name` is listed in the index of `templatesFolder` and stays in
// that folder as a file name (see StaysInFolder).
bool IsListedTemplate(const QString& templatesFolder, const QString& name);

// Empty when the template is sound; otherwise one line naming the file that is
// missing or damaged and why.
QString TemplateProblem(const QString& templatesFolder, const QString& name);

// The texts of the template's layers that have a text part, in painting
// order (as stored: tokens as typed); none when it cannot be read.
QStringList TemplateTexts(const QString& templatesFolder, const QString& name);

}  // namespace vidmora
