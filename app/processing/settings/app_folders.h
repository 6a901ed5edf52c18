#pragma once

// The folders of the program:
//   data folder       <XDG data home>/Vidmora (or "Profile" beside the program),
//                     created when asked for
//   templates folder  <data folder>/templates
//   documents folder  <XDG documents folder>/Vidmora, the default output folder;
//                     not created here: a job makes it when an output goes there

#include <QString>

namespace vidmora {

inline constexpr const char16_t* kApplicationName = u"Vidmora";

QString DataFolder();
QString TemplatesFolder();  // not created here: its absence means "first start"
QString DocumentsFolder();
// <data folder>/<file name>
QString DataFile(const QString& fileName);

}  // namespace vidmora
