#pragma once

// At the next start after a crash the window offers to open the crash folder,
// once per report: the time stamp of the last report offered is kept in the
// program's settings ("CrashReport/Offered").

#include <QString>

#include <optional>

namespace vidmora {

// The folder when it holds a crash.txt that has not been offered yet.
std::optional<QString> UnofferedCrashReport(const QString& crashFolder);
// Remembers the folder's current crash.txt as offered.
void MarkCrashReportOffered(const QString& crashFolder);

}  // namespace vidmora
