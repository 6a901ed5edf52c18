#pragma once

#include <QString>

namespace feedback {

// Lines that tell support which program and system the feedback comes from:
// the program's version, the distribution, the kernel, and the Qt and
// FFmpeg versions in use.
QString SystemReport(const QString& applicationName);

}  // namespace feedback
