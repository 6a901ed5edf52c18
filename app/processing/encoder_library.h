#pragma once

// The encoder library, libvencor.so, loaded from the program folder for one
// file (or one preview picture) and released when the object goes away. One
// object may be used by one thread at a time; several objects may exist on
// several threads.

#include "encoder/vencor.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vidmora {

inline constexpr const char* kEncoderLibraryFileName = "libvencor.so";

// A source's frames as the encoder paints them (upright, as decoded) and as
// players show them (the sample aspect ratio applied). Empty on failure.
struct DecodedGeometry {
  QSize frame;
  QSize shown;
};

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
  // What the last Encode on this thread could not keep of its source, one
  // note each (empty when everything was kept, or the library says nothing).
  QStringList LastNotes() const;
  // How the last Encode on this thread made its output when it re-encoded
  // only where the mark is ("copied 98 %, re-encoded 2 %"); empty otherwise.
  QString LastSummary() const;

  // The frame of the source shown at `seconds`, upright, at the size players
  // show it (FrameGeometry's `shown`: the sample aspect ratio applied), 24-bit.
  // A null image with `error` set on failure.
  QImage GrabFrame(const QString& sourcePath, double seconds, QString& error) const;
  // The size the encoder paints the source's frames at (the decoder's size,
  // rotation applied); empty with `error` set when it cannot be learned.
  QSize DisplayedFrameSize(const QString& sourcePath, QString& error) const;
  // Both sizes of the source's frames; empty sizes with `error` set when
  // they cannot be learned.
  DecodedGeometry FrameGeometry(const QString& sourcePath, QString& error) const;
  // The container tag `key` of the media file `path`; nothing when the file
  // has none, cannot be read, or the library cannot read tags.
  std::optional<QString> ReadTag(const QString& path, const QString& key) const;

 private:
  explicit EncoderLibrary(void* handle);
  // The library's reason for the last failure of `result` on this thread.
  QString FailureText(int result) const;

  void* handle_ = nullptr;
  int (*dowm_)(int, char**) = nullptr;
  void (*setProgressCallback_)(VencorProgressCallback, void*) = nullptr;
  const char* (*lastError_)() = nullptr;
  const char* (*lastNotes_)() = nullptr;
  const char* (*lastSummary_)() = nullptr;
  int (*grabFrame_)(const char*, double, VencorPictureSink, void*) = nullptr;
  int (*displayedSize_)(const char*, int*, int*) = nullptr;
  int (*frameGeometry_)(const char*, int*, int*, int*, int*) = nullptr;
  int (*readTag_)(const char*, const char*, char*, int) = nullptr;
};

}  // namespace vidmora
