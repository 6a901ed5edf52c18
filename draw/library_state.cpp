#include "draw/library_state.h"

#include <mutex>

namespace glyphra {
namespace {

// Function-local statics: made on first use, so nothing of Qt is built while
// the library loads.
std::mutex& SettingsMutex() {
  static std::mutex mutex;
  return mutex;
}

LibrarySettings& Settings() {
  static LibrarySettings settings{QStringLiteral("Vidmora"), QString()};
  return settings;
}

}  // namespace

LibrarySettings CurrentSettings() {
  std::lock_guard lock(SettingsMutex());
  return Settings();
}

void StoreSettings(const LibrarySettings& settings) {
  std::lock_guard lock(SettingsMutex());
  Settings() = settings;
}

}  // namespace glyphra
