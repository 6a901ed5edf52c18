#include "logging/log_interface.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using vidmora::test::ReadFile;
using vidmora::test::TempEnv;

namespace {

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(LogInterface, OneInstancePerNameFromAnyThread) {
  TempEnv env;
  std::vector<CLogInterface*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = CLogInterface::GetInstance(u"Shared"); });
  for (auto& thread : threads) thread.join();
  for (CLogInterface* instance : seen) EXPECT_EQ(instance, seen.front());
  EXPECT_NE(CLogInterface::GetInstance(u"Other"), seen.front());
}

TEST(LogInterface, TwoThreadsLoseAndMixNoLine) {
  TempEnv env;
  constexpr int kLinesPerThread = 10000;
  auto writer = [](char16_t thread) {
    CLogInterface* log = CLogInterface::GetInstance(u"Vidmora");
    for (int i = 0; i < kLinesPerThread; ++i)
      log->DoLogMessage(u"thread " + std::u16string(1, thread) + u" Ünïcode line " + Ascii(std::to_string(i)));
  };
  std::thread first(writer, u'a'), second(writer, u'b');
  first.join();
  second.join();

  const std::vector<std::string> lines = Lines(ReadFile(env.DataHome() / "Vidmora/log/Vidmora.log"));
  ASSERT_EQ(lines.size(), 2u * kLinesPerThread);
  const std::regex pattern(R"(\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}\] thread ([ab]) Ünïcode line (\d+))");
  int next[2] = {0, 0};  // each thread's lines arrive complete and in order
  for (const std::string& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, pattern)) << line;
    int& expected = next[match.str(1) == "b"];
    ASSERT_EQ(std::stoi(match.str(2)), expected) << line;
    ++expected;
  }
  EXPECT_EQ(next[0], kLinesPerThread);
  EXPECT_EQ(next[1], kLinesPerThread);
}

TEST(LogInterface, NameCannotLeadTheFileOutOfItsFolder) {
  TempEnv env;
  CLogInterface::GetInstance(u"a/../b")->DoLogMessage(u"hello");
  EXPECT_NE(ReadFile(env.DataHome() / "a/../b/log/a_.._b.log").find("] hello"), std::string::npos);
}

TEST(LogInterface, FallsBackToStandardErrorWhenTheFileCannotBeOpened) {
  TempEnv env;
  // A folder where the log file should be.
  fs::create_directories(env.DataHome() / "Blocked/log/Blocked.log");
  testing::internal::CaptureStderr();
  CLogInterface::GetInstance(u"Blocked")->DoLogMessage(u"still seen");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("[Blocked] still seen"), std::string::npos) << err;
}

}  // namespace
