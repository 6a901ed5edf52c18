#pragma once

// The version file that the update check downloads: an INI file with the
// section "Gerneral" (spelled so) and the integer keys "major_version",
// "minor_version" and "build".
//
//   [Gerneral]
//   major_version=1
//   minor_version=2
//   build=4

#include <QByteArray>
#include <QString>

#include <optional>

namespace vidmora {

struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int build = 0;

  friend auto operator<=>(const ProgramVersion&, const ProgramVersion&) = default;
  QString ToText() const;
};

// This program's version (the build's project version).
ProgramVersion CurrentProgramVersion();

// The published version in a downloaded version file, read where it was
// received: it is never saved. A missing minor
// version or build reads as 0. Empty when the file is not a version file: no
// "Gerneral" section or no major version (an error page, say), or a number
// that is not one.
std::optional<ProgramVersion> ReadVersionFile(const QByteArray& bytes);

}  // namespace vidmora
