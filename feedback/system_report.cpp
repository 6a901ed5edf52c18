#include "feedback/system_report.h"

#include "shared/version.h"

#include <QSysInfo>
#include <QtGlobal>

extern "C" {
#include <libavutil/avutil.h>
}

namespace feedback {

QString SystemReport(const QString& applicationName) {
  return QStringLiteral("%1 %2\nSystem: %3\nKernel: %4 %5 (%6)\nQt: %7\nFFmpeg: %8\n")
      .arg(applicationName, QString::fromLatin1(vidmora::kVersionText), QSysInfo::prettyProductName(),
           QSysInfo::kernelType(), QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture(),
           QString::fromLatin1(qVersion()), QString::fromUtf8(av_version_info()));
}

}  // namespace feedback
