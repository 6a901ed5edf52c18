#pragma once

// The encoder library, libvencor.so, loaded from the program folder for one
// file and unloaded when the object goes away.

#include "encoder/vencor.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace vidmora {

inline constexpr const char* kEncoderLibraryFileName = "libvencor.so";

class EncoderLibrary {
 public:
  // Loads <folder>/libvencor.so. Null with `error` set when it cannot be loaded.
  static std::unique_ptr<EncoderLibrary> Load(const QString& folder, QString& error);
  ~EncoderLibrary();
  EncoderLibrary(const EncoderLibrary&) = delete;
  EncoderLibrary& operator=(const EncoderLibrary&) = delete;

  // False when the library lacks its entry point "dowm".
  bool HasEntryPoint() const { return dowm_ != nullptr; }

  // Runs the encoder synchronously on the calling thread. `progress` (may be
  // null) is called on this thread; it returns non-zero to stop the encode.
  // Returns the encoder's result (VENCOR_OK on success); `error` gets its
  // reason on failure.
  int Encode(const std::vector<std::string>& arguments, VencorProgressCallback progress, void* userData,
             std::string& error) const;

 private:
  explicit EncoderLibrary(void* handle);

  void* handle_ = nullptr;
  int (*dowm_)(int, char**) = nullptr;
  void (*setProgressCallback_)(VencorProgressCallback, void*) = nullptr;
  const char* (*lastError_)() = nullptr;
};

}  // namespace vidmora
