#include "common/platform/folders.h"

#include "common/platform/user_dirs.h"
#include "shared/text/utf.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <vector>

namespace quorvil {

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// XDG base directories must be absolute; relative values are ignored.
std::optional<fs::path> AbsoluteEnvironmentPath(const char* name) {
  std::string value = Environment(name);
  if (value.empty() || value.front() != '/') return std::nullopt;
  return fs::path(value);
}

std::optional<fs::path> DataHome() {
  if (auto dataHome = AbsoluteEnvironmentPath("XDG_DATA_HOME")) return dataHome;
  const fs::path home = HomeFolder();
  if (home.empty()) return std::nullopt;
  return home / ".local" / "share";
}

std::optional<fs::path> DocumentsHome() {
  const fs::path home = HomeFolder();
  const fs::path defaultConfigHome = home.empty() ? fs::path() : home / ".config";
  const fs::path configHome = AbsoluteEnvironmentPath("XDG_CONFIG_HOME").value_or(defaultConfigHome);
  if (!configHome.empty()) {
    if (auto documents = ReadUserDir(configHome / "user-dirs.dirs", "XDG_DOCUMENTS_DIR", home)) return documents;
  }
  if (auto documents = AbsoluteEnvironmentPath("XDG_DOCUMENTS_DIR")) return documents;
  if (home.empty()) return std::nullopt;
  return home / "Documents";
}

// Whether the folder is known and exists, after trying to create it.
bool MadeOrFound(const std::optional<fs::path>& folder) {
  if (!folder) return false;
  std::error_code error;
  fs::create_directories(*folder, error);
  return fs::is_directory(*folder, error);
}

// The special folder joined with a name as text, or "Profile" beside the
// program when the special folder is unknown or cannot be created; created
// unless `create` is false (the special folder is then only looked up).
fs::path SpecialFolderWith(const std::optional<fs::path>& special, std::u16string_view name, bool create = true) {
  std::string result;
  if (create ? MadeOrFound(special) : special.has_value()) {
    result = special->native();
    if (!name.empty()) {
      if (result.back() != '/') result += '/';
      std::string tail = vidmora::ToUtf8(name);
      // A name is a relative part: "/x" joins as "x" and never replaces the folder.
      tail.erase(0, tail.find_first_not_of('/'));
      result += tail;
    }
  } else {
    fs::path program = ProgramFolder();
    if (program.empty()) return {};
    result = (program / "Profile").native();
  }
  if (create) CreateAllDirectories(result);
  return fs::path(result);
}

}  // namespace

fs::path ProgramFolder() {
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe.parent_path();
}

fs::path HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return fs::path(home);
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return fs::path(found->pw_dir);
  return {};
}

fs::path AppDataFolder(std::u16string_view appName) { return SpecialFolderWith(DataHome(), appName); }

fs::path DocumentsFolder(std::u16string_view subFolder) { return SpecialFolderWith(DocumentsHome(), subFolder); }

fs::path DocumentsFolderPath(std::u16string_view subFolder) {
  return SpecialFolderWith(DocumentsHome(), subFolder, false);
}

fs::path TempFolder() {
  std::string tmp = Environment("TMPDIR");
  while (tmp.size() > 1 && tmp.back() == '/') tmp.pop_back();
  return fs::path(tmp.empty() ? "/tmp" : tmp);
}

int MakePrivateFolder(const fs::path& folder) {
  if (folder.empty()) return ENOENT;
  if (folder.has_parent_path()) CreateAllDirectories(folder.parent_path().native());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  // Checked on what was opened, so that a swap after the check changes nothing.
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno == ELOOP ? ENOTDIR : errno;
  struct stat info {};
  int error = 0;
  const bool unreadable = fstat(fd, &info) != 0;
  if (!unreadable && info.st_uid != geteuid()) error = EPERM;
  else if (unreadable || ((info.st_mode & 077) != 0 && fchmod(fd, info.st_mode & 0700) != 0)) error = errno;
  close(fd);
  return error;
}

fs::path CacheFolder(std::u16string_view appName) {
  fs::path cacheHome;
  if (auto xdg = AbsoluteEnvironmentPath("XDG_CACHE_HOME")) {
    cacheHome = *xdg;
  } else {
    const fs::path home = HomeFolder();
    if (home.empty()) return {};
    cacheHome = home / ".cache";
  }
  fs::path folder = cacheHome / TextToPath(appName).relative_path();
  if (MakePrivateFolder(folder) != 0) return {};
  return folder;
}

fs::path MakeShortLivedFolder(std::string_view prefix) {
  fs::path base = TempFolder();
  if (auto runtime = AbsoluteEnvironmentPath("XDG_RUNTIME_DIR")) {
    struct stat info {};
    if (lstat(runtime->c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid()) base = *runtime;
  }
  std::string pattern = (base / (std::string(prefix) + "XXXXXX")).native();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) return {};
  return fs::path(name.data());
}

void CreateAllDirectories(const std::string& utf8Path) {
  if (utf8Path.empty()) return;
  std::string path = utf8Path;
  if (path.back() == '/') path.pop_back();
  if (path.empty()) return;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return;
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos) CreateAllDirectories(path.substr(0, slash));
  mkdir(path.c_str(), 0777);
}

std::u16string PathToText(const fs::path& path) { return vidmora::FromUtf8(path.native()); }

fs::path TextToPath(std::u16string_view text) { return fs::path(vidmora::ToUtf8(text)); }

}  // namespace quorvil
