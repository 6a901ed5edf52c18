#include "app/support/crash_report_notice.h"

#include "shared/program_profile.h"

#include <QFileInfo>
#include <QSettings>

namespace vidmora {

namespace {

const QString kOfferedKey = QStringLiteral("CrashReport/Offered");

// The report's time stamp; empty when there is no report.
QString ReportStamp(const QString& crashFolder) {
  const QFileInfo report(crashFolder + QStringLiteral("/crash.txt"));
  if (!report.isFile()) return {};
  return QString::number(report.lastModified().toMSecsSinceEpoch());
}

QSettings ProgramSettings() { return QSettings(kProfileOrganization, kProfileApplication); }

}  // namespace

std::optional<QString> UnofferedCrashReport(const QString& crashFolder) {
  const QString stamp = ReportStamp(crashFolder);
  if (stamp.isEmpty() || ProgramSettings().value(kOfferedKey).toString() == stamp) return std::nullopt;
  return crashFolder;
}

void MarkCrashReportOffered(const QString& crashFolder) {
  const QString stamp = ReportStamp(crashFolder);
  if (!stamp.isEmpty()) ProgramSettings().setValue(kOfferedKey, stamp);
}

}  // namespace vidmora
