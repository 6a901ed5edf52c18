// MarkupDoc::Load and MarkupDoc::Save: whole-file reading and the
// write-beside-then-rename saving that never leaves a half-written file.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <system_error>

#include "shared/markup/markup_doc.h"
#include "shared/markup/markup_encoding.h"
#include "shared/markup/markup_result.h"
#include "shared/text/utf.h"

namespace vidmora {

namespace {

// Document offsets are 32-bit; a UTF-16 text of this many bytes is the most
// that a document can hold.
constexpr size_t kMaxFileBytes = static_cast<size_t>(std::numeric_limits<int32_t>::max());

void FileError(std::u16string& result, const std::string& message) {
  ResultEvent(u"file_error").Attr(u"msg", FromUtf8(message)).AppendTo(result, MarkupDoc::kResultCap);
}

std::string SystemMessage(int error) { return std::error_code(error, std::generic_category()).message(); }

class FileCloser {
 public:
  explicit FileCloser(std::FILE* file) : file_(file) {}
  ~FileCloser() {
    if (file_ != nullptr) std::fclose(file_);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  std::FILE* file_;
};

// Reads a whole file; false with the system's message on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = SystemMessage(errno);
    return false;
  }
  FileCloser closer(file);
  bytes.clear();
  // Sized once for a regular file; the loop still reads to the true end.
  struct stat info;
  if (::fstat(::fileno(file), &info) == 0 && info.st_size > 0 && static_cast<uint64_t>(info.st_size) <= kMaxFileBytes)
    bytes.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  while (true) {
    const size_t got = std::fread(buffer, 1, sizeof(buffer), file);
    bytes.append(buffer, got);
    if (bytes.size() > kMaxFileBytes) {
      error = "file too large";
      return false;
    }
    if (got < sizeof(buffer)) break;
  }
  if (std::ferror(file)) {
    error = SystemMessage(errno != 0 ? errno : EIO);
    return false;
  }
  return true;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// Writes `bytes` to a new file beside `target` and renames it over the
// target. On failure the target is untouched and the new file removed.
bool ReplaceFile(const std::string& target, std::string_view bytes, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path path(target);
  // Replace what a symbolic link points at, not the link.
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    const fs::path resolved = fs::canonical(path, ec);
    if (!ec) path = resolved;
  }
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  struct stat existing {};
  const bool keepMode = ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);

  std::random_device random;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof(suffix), ".%08x.tmp", static_cast<unsigned>(random()));
    temporary = (folder / ("." + path.filename().string() + suffix)).string();
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = SystemMessage(errno);
    return false;
  }
  bool ok = WriteAll(fd, bytes);
  if (ok && keepMode) ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  if (!ok) error = SystemMessage(errno);
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = SystemMessage(errno);
  }
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = SystemMessage(errno);
  }
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

}  // namespace

bool MarkupDoc::Load(std::u16string_view path) {
  result_.clear();
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(ToUtf8(path), bytes, error)) {
    FileError(result_, error);
    return false;
  }
  int flags = docFlags_;
  std::u16string text = DecodeDocumentBytes(bytes, flags, result_);
  bytes.clear();
  bytes.shrink_to_fit();
  if (text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    FileError(result_, "file too large");
    return false;
  }
  docFlags_ = flags;
  text_ = std::move(text);
  return Parse();
}

bool MarkupDoc::Save(std::u16string_view path) {
  result_.clear();
  const std::optional<std::string> bytes = EncodeDocumentText(text_, docFlags_, result_);
  if (!bytes) return false;
  std::string error;
  if (!ReplaceFile(ToUtf8(path), *bytes, error)) {
    FileError(result_, error);
    return false;
  }
  return true;
}

}  // namespace vidmora
