#include "common/platform/folders.h"
#include "common/quorvil.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using quorvil::PathToText;
using vidmora::test::ReadFile;
using vidmora::test::TempEnv;
using vidmora::test::WriteFile;

namespace {

struct ProcessState {
  pid_t parent = 0;
  char state = '?';
};

ProcessState ReadState(const fs::path& statFile) {
  std::ifstream in(statFile);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ProcessState result;
  const size_t close = text.rfind(')');  // the command name may hold blanks and parentheses
  if (close != std::string::npos && close + 4 < text.size()) {
    result.state = text[close + 2];
    result.parent = static_cast<pid_t>(std::atol(text.c_str() + close + 4));
  }
  return result;
}

std::vector<fs::path> ProcessFolders() {
  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") == std::string::npos) folders.push_back(entry.path());
  }
  return folders;
}

int ZombieChildren() {
  int zombies = 0;
  for (const fs::path& folder : ProcessFolders()) {
    const ProcessState state = ReadState(folder / "stat");
    zombies += state.parent == getpid() && state.state == 'Z';
  }
  return zombies;
}

bool IsRunning(const std::string& exeName) {
  for (const fs::path& folder : ProcessFolders()) {
    std::error_code error;
    if (fs::read_symlink(folder / "exe", error).filename() == exeName && ReadState(folder / "stat").state != 'Z')
      return true;
  }
  return false;
}

template <typename Condition>
bool Eventually(Condition condition) {
  for (auto deadline = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < deadline;) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

// A copy of the sleep program under a name no other process has.
fs::path MakeSleeper(const TempEnv& env) {
  fs::path sleeper = env.MakeDir("bin") / ("vidmora-sleeper-" + std::to_string(getpid()));
  fs::copy_file(fs::canonical("/bin/sleep"), sleeper);
  fs::permissions(sleeper, fs::perms::owner_all);
  return sleeper;
}

TEST(ShellCommand, TimeOutLeavesTheProgramRunning) {
  TempEnv env;
  const fs::path sleeper = MakeSleeper(env);
  const std::string name = sleeper.filename().string();
  unsigned char timedOut = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DoShellCmd2(PathToText(sleeper).c_str(), u"30", 5, true, &timedOut, 1000), 1);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(timedOut, 1);
  EXPECT_GE(waited, 990ms);
  EXPECT_LT(waited, 20s) << "waited for the program instead of the time-out";
  EXPECT_TRUE(IsRunning(name));

  EXPECT_EQ(KillProcess(PathToText(name.substr(8)).c_str()), 1);  // part of the name is enough
  EXPECT_TRUE(Eventually([&] { return !IsRunning(name) && ZombieChildren() == 0; }));
  EXPECT_EQ(KillProcess(PathToText(name).c_str()), 0);
}

TEST(ShellCommand, WaitsForAProgramAndHandsItsArguments) {
  TempEnv env;
  const fs::path tools = env.MakeDir("my tools");
  const fs::path script = tools / "args.sh";
  WriteFile(script, "#!/bin/sh\nout=$1; shift\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out\"\n");
  fs::permissions(script, fs::perms::owner_all);
  const fs::path out = tools / "out put.txt";

  const std::u16string file = u"\"" + PathToText(script) + u"\"";
  const std::u16string parameters = u"\"" + PathToText(out) + u"\" \"Vidmora\" \"My Template\" 320 240";
  unsigned char timedOut = 0;
  EXPECT_EQ(DoShellCmd2(file.c_str(), parameters.c_str(), 5, true, &timedOut, 0), 1);
  EXPECT_EQ(ReadFile(out), "Vidmora\nMy Template\n320\n240\n");
  EXPECT_EQ(timedOut, 0);

  fs::remove(out);
  EXPECT_EQ(DoShellCmd2(file.c_str(), parameters.c_str(), 5, true, &timedOut, 20000), 1);
  EXPECT_EQ(ReadFile(out), "Vidmora\nMy Template\n320\n240\n");
  EXPECT_EQ(timedOut, 0);
}

// Puts a folder first on PATH for the life of the object.
class PathFirst {
 public:
  explicit PathFirst(const fs::path& folder) : saved_(Path()) {
    setenv("PATH", (folder.string() + ":" + saved_).c_str(), 1);
  }
  ~PathFirst() { setenv("PATH", saved_.c_str(), 1); }

 private:
  static std::string Path() {
    const char* path = std::getenv("PATH");
    return path ? path : "";
  }

 private:
  std::string saved_;
};

TEST(ShellCommand, DocumentsFoldersAndAddressesOpenThroughXdgOpen) {
  TempEnv env;
  const fs::path bin = env.MakeDir("fake-bin");
  const fs::path opened = env.Root() / "opened.txt";
  WriteFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '" + opened.string() + "'\n");
  fs::permissions(bin / "xdg-open", fs::perms::owner_all);
  WriteFile(env.Root() / "clip.mp4", "not run, only opened");
  PathFirst path(bin);

  const std::u16string document = PathToText(env.Root() / "clip.mp4");
  EXPECT_EQ(DoShellCmd(document.c_str(), u"ignored parameters", 5, true, 0), 1);
  EXPECT_EQ(DoShellCmd(PathToText(env.Root()).c_str(), u"", 5, true, 0), 1);
  EXPECT_EQ(DoShellCmd(u"https://example.com/download?a=1&b=2", u"", 5, true, 0), 1);
  EXPECT_EQ(DoShellCmd(u"mailto:someone@example.com", u"", 5, true, 0), 1);
  EXPECT_EQ(ReadFile(opened), "1|" + env.Root().string() + "/clip.mp4\n1|" + env.Root().string() +
                                  "\n1|https://example.com/download?a=1&b=2\n1|mailto:someone@example.com\n");
}

TEST(ShellCommand, ProgramsNotWaitedForLeaveNoZombie) {
  EXPECT_EQ(DoShellCmd(u"true", u"", 5, false, 0), 1);
  EXPECT_EQ(DoShellCmd(u"true", nullptr, 0, false, 0), 1);
  EXPECT_TRUE(Eventually([] { return ZombieChildren() == 0; }));
}

TEST(ShellCommand, NothingToStart) {
  TempEnv env;
  EXPECT_EQ(DoShellCmd(u"vidmora-no-such-program", u"", 5, true, 0), 0);
  EXPECT_EQ(DoShellCmd(PathToText(env.Root() / "missing.mp4").c_str(), u"", 5, true, 0), 0);
  EXPECT_EQ(DoShellCmd(u"", u"", 5, true, 0), 0);
  EXPECT_EQ(DoShellCmd(nullptr, nullptr, 5, true, 0), 0);
}

TEST(ShellCommand, KillProcessMatchesNothingForAnEmptyOrUnknownName) {
  EXPECT_EQ(KillProcess(u""), 0);
  EXPECT_EQ(KillProcess(nullptr), 0);
  EXPECT_EQ(KillProcess(u"vidmora-no-such-process-name"), 0);
}

}  // namespace
