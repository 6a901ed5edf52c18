// GetAppPath, CreateAllDirectories, GetAppDataPath, GetPersonalFolder.
#include "common/platform/folders.h"
#include "common/quorvil.h"
#include "common/text_argument.h"
#include "shared/text/utf.h"

using quorvil::TextArgument;

extern "C" {

void GetAppPath(std::u16string& path) { path = quorvil::PathToText(quorvil::ProgramFolder()); }

void CreateAllDirectories(const char16_t* path) { quorvil::CreateAllDirectories(vidmora::ToUtf8(TextArgument(path))); }

void GetAppDataPath(std::u16string& path, const char16_t* appName) {
  path = quorvil::PathToText(quorvil::AppDataFolder(TextArgument(appName)));
}

void GetPersonalFolder(std::u16string& path, const char16_t* subFolder) {
  path = quorvil::PathToText(quorvil::DocumentsFolder(TextArgument(subFolder)));
}

}  // extern "C"
