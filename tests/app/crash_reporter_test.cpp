#include "app/support/crash_reporter.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <ostream>
#include <string>

namespace vidmora {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::RunProcess;
using test::TempEnv;

fs::path ProgramFolder() { return fs::read_symlink("/proc/self/exe").parent_path(); }
fs::path Victim() { return ProgramFolder() / "crash_victim"; }

// crash.txt is UTF-16LE ending in one null character; the report is ASCII
// here, so every second byte is zero.
std::string DecodeReport(const std::string& bytes, bool* wellFormed) {
  std::string text;
  *wellFormed =
      bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.compare(bytes.size() - 2, 2, std::string(2, '\0')) == 0;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i + 1] != 0) *wellFormed = false;
    if (bytes[i] != 0) text += bytes[i];
  }
  return text;
}

struct CrashCase {
  const char* mode;
  int signal;
  const char* faultLine;  // a line the report must hold
  const char* function;   // a function the debugger must show on the crashing thread's stack
};

void PrintTo(const CrashCase& c, std::ostream* out) { *out << c.mode; }

class CrashReport : public testing::TestWithParam<CrashCase> {};

TEST_P(CrashReport, ReportAndDumpDescribeTheCrash) {
  const CrashCase& c = GetParam();
  if (c.signal == SIGSEGV && !CrashReporterHandlesFaultSignals())
    GTEST_SKIP() << "AddressSanitizer owns SIGSEGV in this build and reports the fault itself";
  TempEnv env;
  const fs::path folder = env.Root() / "data" / "Vidmora" / "crashLog";
  // An earlier report is replaced.
  test::WriteFile(folder / "crash.txt", std::string(20000, 'x'));

  auto result = RunProcess({Victim().string(), folder.string(), c.mode});
  EXPECT_EQ(result.exitCode, 128 + c.signal) << result.err;

  bool wellFormed = false;
  const std::string report = DecodeReport(ReadFile(folder / "crash.txt"), &wellFormed);
  EXPECT_TRUE(wellFormed) << "not UTF-16LE ending in a null";
  EXPECT_EQ(report.rfind("Linux:  ", 0), 0u) << report;
  EXPECT_NE(report.find("\r\nProcess:  " + Victim().string() + "\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\nVersion:  1.0.0 \r\n"), std::string::npos) << report;
  EXPECT_NE(report.find(c.faultLine), std::string::npos) << report;
  EXPECT_NE(report.find("\r\nRegisters:\r\nRAX: "), std::string::npos) << report;
  EXPECT_NE(report.find("\r\nCall Stack:"), std::string::npos) << report;
  EXPECT_NE(report.find("\r\nThreads:  2\r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("libc.so.6"), std::string::npos) << "the modules are listed\n" << report;
  // The program is listed once, although it is also mapped as data.
  const std::string modules = report.substr(report.find("\r\nModules:"));
  const std::string listed = "  " + Victim().string();
  EXPECT_NE(modules.find(listed), std::string::npos) << report;
  EXPECT_EQ(modules.find(listed), modules.rfind(listed)) << report;
  EXPECT_LT(report.size(), 8000u);

  const fs::path dump = folder / "crash.dmp";
  ASSERT_EQ(ReadFile(dump).substr(0, 4), "MDMP");
  auto lldb = RunProcess({"lldb", "--batch", "--no-lldbinit", "-c", dump.string(), Victim().string(), "-o",
                          "thread list", "-o", "bt", "-o", "thread backtrace all"});
  EXPECT_NE(lldb.out.find(c.function), std::string::npos) << lldb.out << lldb.err;
  // Both threads, each with registers the debugger can walk from.
  EXPECT_NE(lldb.out.find("thread #2"), std::string::npos) << lldb.out << lldb.err;
  EXPECT_NE(lldb.out.find("main"), std::string::npos) << lldb.out << lldb.err;
}

INSTANTIATE_TEST_SUITE_P(
    Crashes, CrashReport,
    testing::Values(CrashCase{"null", SIGSEGV,
                              "\r\nSignal:  11 (SIGSEGV), Code 1\r\nWrite Address:  0000000000000000\r\n",
                              "WriteThroughNullPointer"},
                    CrashCase{"abort", SIGABRT, "\r\nSignal:  6 (SIGABRT), Code -6\r\n", "AbortOnPurpose"}),
    [](const testing::TestParamInfo<CrashCase>& info) { return std::string(info.param.mode); });

TEST(CrashReporter, FaultInsideTheHandlerEndsTheProcess) {
  TempEnv env;
  const fs::path folder = env.Root() / "crashLog";
  auto result = RunProcess({Victim().string(), folder.string(), "fault-in-handler"});
  if (CrashReporterHandlesFaultSignals()) {
    EXPECT_EQ(result.exitCode, 128 + SIGSEGV) << result.err;
  } else {
    // AddressSanitizer owns SIGSEGV here: it reports the second fault and ends the process itself.
    EXPECT_NE(result.exitCode, 0) << result.err;
  }
}

TEST(CrashReporter, DefaultFolderFollowsTheDataHomeAndIsNeverShared) {
  TempEnv env;
  EXPECT_EQ(DefaultCrashFolder(), (env.DataHome() / "Vidmora" / "crashLog").string());
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(DefaultCrashFolder(), (env.Home() / ".local/share/Vidmora/crashLog").string());
  // Without HOME (cron, some services): the password database's home, never /tmp.
  unsetenv("HOME");
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(DefaultCrashFolder(), std::string(user->pw_dir) + "/.local/share/Vidmora/crashLog");
}

// A link planted where the report goes is replaced by the report; the file
// it named stays as it was.
TEST(CrashReporter, ReportsAreNeverWrittenThroughALink) {
  TempEnv env;
  const fs::path folder = env.Root() / "crashLog";
  const fs::path victim = env.Home() / ".profile";
  test::WriteFile(victim, "mine\n");
  fs::create_directories(folder);
  fs::create_symlink(victim, folder / "crash.txt");
  fs::create_symlink(victim, folder / "crash.dmp");
  auto result = RunProcess({Victim().string(), folder.string(), "abort"});
  EXPECT_EQ(result.exitCode, 128 + SIGABRT) << result.err;
  EXPECT_EQ(ReadFile(victim), "mine\n");
  EXPECT_FALSE(fs::is_symlink(folder / "crash.txt"));
  EXPECT_FALSE(ReadFile(folder / "crash.txt").empty());
}

}  // namespace
}  // namespace vidmora
