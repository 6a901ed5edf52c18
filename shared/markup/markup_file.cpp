// MarkupDoc::Load and MarkupDoc::Save: whole-file reading, and saving
// through the atomic replacement that never leaves a half-written file.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>

#include "shared/io/atomic_file.h"
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
  if (const std::error_code error = ReplaceFileAtomically(std::filesystem::path(ToUtf8(path)), *bytes)) {
    FileError(result_, error.message());
    errno = error.value();  // for callers that tell the user why
    return false;
  }
  return true;
}

}  // namespace vidmora
