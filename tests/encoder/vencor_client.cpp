#include "tests/encoder/vencor_client.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace vidmora::test {

namespace {

std::string LibraryPath() {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "libvencor.so").string();
}

}  // namespace

EncodeResult RunVencor(const std::vector<std::string>& arguments, VencorProgressCallback progress, void* userData) {
  void* library = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) throw std::runtime_error(std::string("cannot load libvencor.so: ") + dlerror());
  auto dowm = reinterpret_cast<int (*)(int, char**)>(dlsym(library, "dowm"));
  auto setProgress = reinterpret_cast<void (*)(VencorProgressCallback, void*)>(dlsym(library, "vencor_set_progress_callback"));
  auto lastError = reinterpret_cast<const char* (*)()>(dlsym(library, "vencor_last_error"));
  auto lastNotes = reinterpret_cast<const char* (*)()>(dlsym(library, "vencor_last_notes"));
  auto lastSummary = reinterpret_cast<const char* (*)()>(dlsym(library, "vencor_last_summary"));
  if (!dowm || !setProgress || !lastError || !lastNotes || !lastSummary) {
    dlclose(library);
    throw std::runtime_error("libvencor.so lacks an export");
  }
  std::vector<std::string> storage = {"ffmpeg"};
  storage.insert(storage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(storage.size() + 1);
  for (auto& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);
  setProgress(progress, userData);
  EncodeResult result;
  result.code = dowm(static_cast<int>(storage.size()), argv.data());
  result.error = lastError();
  result.summary = lastSummary();
  const std::string notes = lastNotes();
  for (size_t start = 0; start < notes.size();) {
    const size_t end = std::min(notes.find('\n', start), notes.size());
    result.notes.push_back(notes.substr(start, end - start));
    start = end + 1;
  }
  dlclose(library);
  return result;
}

std::vector<std::string> EncodeArgs::Vector() const {
  return {"-i", source, "-vcodec", videoCodec, "-b:v", videoBitRate, "-r", frameRate, "-acodec", audioCodec,
          "-ar", sampleRate, "-b:a", audioBitRate, "-vol", volume, output};
}

}  // namespace vidmora::test
