#include "app/support/crash_report_notice.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QFile>

namespace vidmora {
namespace {

void StampReport(const QString& report, qint64 secondsSinceEpoch) {
  QFile file(report);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch), QFileDevice::FileModificationTime));
}

TEST(CrashReportNotice, EachReportIsOfferedOnce) {
  test::TempEnv env;
  const QString folder = QString::fromStdString((env.DataHome() / "Vidmora" / "crashLog").string());
  EXPECT_EQ(UnofferedCrashReport(folder), std::nullopt) << "no report yet";

  test::WriteFile(env.DataHome() / "Vidmora" / "crashLog" / "crash.txt", "report");
  StampReport(folder + "/crash.txt", 1'700'000'000);
  EXPECT_EQ(UnofferedCrashReport(folder), folder);
  MarkCrashReportOffered(folder);
  EXPECT_EQ(UnofferedCrashReport(folder), std::nullopt) << "offered already";

  // The next crash replaces the report.
  StampReport(folder + "/crash.txt", 1'700'000'060);
  EXPECT_EQ(UnofferedCrashReport(folder), folder);
}

}  // namespace
}  // namespace vidmora
