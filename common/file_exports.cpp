// FileSize, IsFileNameLegal, time_t2string.
#include "common/quorvil.h"
#include "common/text_argument.h"
#include "shared/text/utf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>

namespace {

// Whether some process (this one included) has the file open for writing.
// Linux has no sharing modes; its one way to ask is a read lease, which the
// kernel refuses with EAGAIN exactly when the file is open for writing. A
// lease can be taken only by the file's owner (or with CAP_LEASE) and not on
// every file system: when it cannot be taken the answer is "not held". The
// lease is given back at once. Should a writer open the file in that instant,
// the kernel signals us; SIGURG, whose default is to be ignored, is asked for
// in place of SIGIO, whose default ends the process.
bool HeldOpenForWriting(int fd) {
  if (fcntl(fd, F_SETSIG, SIGURG) != 0) return false;
  if (fcntl(fd, F_SETLEASE, F_RDLCK) != 0) return errno == EAGAIN;
  fcntl(fd, F_SETLEASE, F_UNLCK);
  return false;
}

}  // namespace

extern "C" {

int64_t FileSize(const char16_t* path) {
  const std::string file = vidmora::ToUtf8(quorvil::TextArgument(path));
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat info {};
  int64_t size = -1;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && !HeldOpenForWriting(fd)) size = info.st_size;
  close(fd);
  return size;
}

bool IsFileNameLegal(const char16_t* name) {
  return quorvil::TextArgument(name).find_first_of(u"\\/:?<>|*\"") == std::u16string_view::npos;
}

void time_t2string(int64_t time, std::u16string& text) {
  text.clear();
  const time_t seconds = static_cast<time_t>(time);
  tzset();  // localtime_r need not notice a change of TZ by itself
  tm local{};
  char buffer[64];
  if (!localtime_r(&seconds, &local)) return;
  const size_t length = std::strftime(buffer, sizeof buffer, "%m/%d/%Y %H:%M:%S", &local);
  text = vidmora::FromUtf8(std::string_view(buffer, length));
}

}  // extern "C"
