#pragma once

// The folders of the program, each created when asked for:
//   data folder       <XDG data home>/Vidmora (or "Profile" beside the program)
//   templates folder  <data folder>/templates
//   documents folder  <XDG documents folder>/Vidmora, the default output folder

#include <QString>

namespace vidmora {

inline constexpr const char16_t* kApplicationName = u"Vidmora";

QString DataFolder();
QString TemplatesFolder();  // not created here: its absence means "first start"
QString DocumentsFolder();
// <data folder>/<file name>
QString DataFile(const QString& fileName);

}  // namespace vidmora
