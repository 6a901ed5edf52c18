#include "encoder/output_file.h"

#include "encoder/errors.h"

extern "C" {
#include <libavutil/mem.h>
}

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace vencor {

namespace {

constexpr int kIoBufferBytes = 256 * 1024;
// Room for the dot, the random part and ".part" within a 255-byte file name.
constexpr size_t kMaxNameBytesInTemporary = 200;

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomTag() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 2);
  std::string tag(8, 'x');
  for (char& c : tag) c = kAlphabet[pick(device)];
  return tag;
}

bool IsTemporaryName(std::string_view name) {
  // ".<name>.<8 letters or digits>.part"
  constexpr std::string_view kEnd = ".part";
  constexpr size_t kTag = 8;
  if (name.size() < 1 + 1 + 1 + kTag + kEnd.size() || name.front() != '.' || !name.ends_with(kEnd)) return false;
  const std::string_view tag = name.substr(name.size() - kEnd.size() - kTag, kTag);
  if (name[name.size() - kEnd.size() - kTag - 1] != '.') return false;
  for (const char c : tag)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

// Removes the temporaries of runs that died (killed, or the machine went
// down) from `folder`. A live writer holds a lock on its temporary for as long
// as it writes, and the system drops the lock when the writer dies, so a
// temporary whose lock can be taken belongs to nobody.
void RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const std::string path = (folder == "/" ? "" : folder) + "/" + entry->d_name;
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {};
    struct stat named {};
    // Still the file of that name once locked (not replaced in between): then it is ours to remove.
    if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
      if (unlink(path.c_str()) == 0) Log("removed %s, left by a run that ended before its file was complete", path.c_str());
    }
    close(fd);
  }
  closedir(dir);
}

}  // namespace

std::string SystemErrorText(int error) { return std::error_code(error, std::system_category()).message(); }

void RefuseOutputOverSource(const std::string& outputPath, const std::string& sourcePath) {
  struct stat output {};
  if (stat(outputPath.c_str(), &output) != 0) return;  // nothing there yet: it cannot be the source
  if (S_ISDIR(output.st_mode)) Fail(VENCOR_ERROR_OUTPUT, "the output path " + outputPath + " is a folder");
  struct stat source {};
  if (stat(sourcePath.c_str(), &source) == 0 && source.st_dev == output.st_dev && source.st_ino == output.st_ino)
    Fail(VENCOR_ERROR_SAME_FILE, "the output " + outputPath + " is the source file itself; refusing to overwrite it");
}

OutputFile::OutputFile(std::string finalPath) : finalPath_(std::move(finalPath)), folder_(FolderOf(finalPath_)) {
  std::string name = NameOf(finalPath_);
  if (name.size() > kMaxNameBytesInTemporary) name.resize(kMaxNameBytesInTemporary);
  RemoveStaleTemporaries(folder_);
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    tempPath_ = (folder_ == "/" ? "" : folder_) + "/." + name + "." + RandomTag() + ".part";
    fd_ = open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) {
      const int error = errno;
      Fail(VENCOR_ERROR_OUTPUT, "cannot write into the output folder " + folder_ + ": " + SystemErrorText(error));
    }
    if (fd_ < 0) continue;
    // Held until the file is renamed or removed: it tells other runs that it is being written.
    struct stat info {};
    if (flock(fd_, LOCK_EX) != 0 || fstat(fd_, &info) != 0 || info.st_nlink == 0) {
      // Another run took it for a dead one's between our open and our lock.
      close(fd_);
      fd_ = -1;
    }
  }
  if (fd_ < 0) Fail(VENCOR_ERROR_OUTPUT, "cannot create a temporary file in " + folder_);

  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
  if (buffer) io_ = avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, &OutputFile::WritePacket, &OutputFile::Seek);
  if (!io_) {
    av_free(buffer);
    close(fd_);
    unlink(tempPath_.c_str());
    throw std::bad_alloc();
  }
}

OutputFile::~OutputFile() {
  if (io_) {
    av_freep(&io_->buffer);  // avio may have replaced the buffer it was given
    avio_context_free(&io_);
  }
  if (fd_ >= 0) close(fd_);
  if (!committed_) unlink(tempPath_.c_str());
}

int OutputFile::WritePacket(void* opaque, uint8_t* data, int size) {
  auto* self = static_cast<OutputFile*>(opaque);
  if (self->writeErrno_) return AVERROR(self->writeErrno_);
  int written = 0;
  while (written < size) {
    const ssize_t n = write(self->fd_, data + written, static_cast<size_t>(size - written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      self->writeErrno_ = n < 0 ? errno : EIO;
      return AVERROR(self->writeErrno_);
    }
    written += static_cast<int>(n);
  }
  return written;
}

int64_t OutputFile::Seek(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<OutputFile*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat info {};
    return fstat(self->fd_, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
  }
  const off_t position = lseek(self->fd_, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  return position < 0 ? AVERROR(errno) : static_cast<int64_t>(position);
}

void OutputFile::FailWrite(const std::string& what, int error) const {
  Fail(VENCOR_ERROR_OUTPUT, what + " " + finalPath_ + ": " + SystemErrorText(error));
}

void OutputFile::Commit() {
  avio_flush(io_);
  if (writeErrno_) FailWrite("cannot write", writeErrno_);
  if (io_->error < 0) Fail(VENCOR_ERROR_OUTPUT, "cannot write " + finalPath_ + ": " + AvErrorText(io_->error));
  // Synced before the rename, so that a crash never leaves an empty or partial file under the final name.
  if (fsync(fd_) != 0) FailWrite("cannot write", errno);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) FailWrite("cannot write", errno);
  if (rename(tempPath_.c_str(), finalPath_.c_str()) != 0) FailWrite("cannot create", errno);
  committed_ = true;
  const int folder = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);  // makes the rename itself durable; a failure here loses nothing written
    close(folder);
  }
}

}  // namespace vencor
