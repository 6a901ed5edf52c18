// Test main for the player: a real X server (Xvfb, started here when the
// environment has no display) with Mesa's software OpenGL, and a
// QApplication on it.
#include <QApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <dlfcn.h>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// An Xvfb of our own; it picks a free display number and writes it to a pipe,
// so that parallel tests never race for one.
class PrivateXServer {
 public:
  PrivateXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  ~PrivateXServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  std::unique_ptr<PrivateXServer> server;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') server = std::make_unique<PrivateXServer>();
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  // Mesa unloads its software driver when the display closes; kept loaded,
  // what the driver holds in its globals stays reachable for the leak
  // checker of sanitizer builds instead of being reported from an unknown
  // module. Absent elsewhere, which changes nothing.
  dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);
  // As the player's main does: nothing is written to the home folder.
  QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
