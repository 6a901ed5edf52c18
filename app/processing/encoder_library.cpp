#include "app/processing/encoder_library.h"

#include <dlfcn.h>

namespace vidmora {

namespace {

template <typename Function>
Function Symbol(void* handle, const char* name) {
  return reinterpret_cast<Function>(dlsym(handle, name));
}

}  // namespace

std::unique_ptr<EncoderLibrary> EncoderLibrary::Load(const QString& folder, QString& error) {
  const QString path = folder + "/" + kEncoderLibraryFileName;
  void* handle = dlopen(path.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    error = reason ? QString::fromUtf8(reason) : path;
    return nullptr;
  }
  return std::unique_ptr<EncoderLibrary>(new EncoderLibrary(handle));
}

EncoderLibrary::EncoderLibrary(void* handle)
    : handle_(handle),
      dowm_(Symbol<int (*)(int, char**)>(handle, "dowm")),
      setProgressCallback_(Symbol<void (*)(VencorProgressCallback, void*)>(handle, "vencor_set_progress_callback")),
      lastError_(Symbol<const char* (*)()>(handle, "vencor_last_error")),
      lastNotes_(Symbol<const char* (*)()>(handle, "vencor_last_notes")),
      lastSummary_(Symbol<const char* (*)()>(handle, "vencor_last_summary")),
      grabFrame_(Symbol<int (*)(const char*, double, VencorPictureSink, void*)>(handle, "vencor_grab_frame")),
      displayedSize_(Symbol<int (*)(const char*, int*, int*)>(handle, "vencor_displayed_size")),
      frameGeometry_(Symbol<int (*)(const char*, int*, int*, int*, int*)>(handle, "vencor_frame_geometry")),
      readTag_(Symbol<int (*)(const char*, const char*, char*, int)>(handle, "vencor_read_tag")) {}

EncoderLibrary::~EncoderLibrary() { dlclose(handle_); }

int EncoderLibrary::Encode(const std::vector<std::string>& arguments, VencorProgressCallback progress,
                           void* userData, std::string& error) const {
  if (!dowm_) {
    error = std::string(kEncoderLibraryFileName) + " has no entry point dowm";
    return VENCOR_ERROR_INTERNAL;
  }
  // The encoder takes writable C strings; each argument keeps its own buffer,
  // sized to fit, so a long path is never cut.
  std::vector<std::string> storage = arguments;
  std::vector<char*> argv;
  argv.reserve(storage.size() + 1);
  for (auto& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);

  if (setProgressCallback_) setProgressCallback_(progress, userData);
  const int result = dowm_(static_cast<int>(storage.size()), argv.data());
  if (setProgressCallback_) setProgressCallback_(nullptr, nullptr);

  error.clear();
  if (result != VENCOR_OK) {
    const char* reason = lastError_ ? lastError_() : nullptr;
    error = reason && *reason ? reason : "the encoder failed (code " + std::to_string(result) + ")";
  }
  return result;
}

QStringList EncoderLibrary::LastNotes() const {
  const char* notes = lastNotes_ ? lastNotes_() : nullptr;
  if (!notes || !*notes) return {};
  return QString::fromUtf8(notes).split('\n', Qt::SkipEmptyParts);
}

QString EncoderLibrary::LastSummary() const {
  const char* summary = lastSummary_ ? lastSummary_() : nullptr;
  return summary ? QString::fromUtf8(summary) : QString();
}

QString EncoderLibrary::FailureText(int result) const {
  const char* reason = lastError_ ? lastError_() : nullptr;
  return reason && *reason ? QString::fromUtf8(reason) : QString("the encoder library failed (code %1)").arg(result);
}

QImage EncoderLibrary::GrabFrame(const QString& sourcePath, double seconds, QString& error) const {
  if (!grabFrame_) {
    error = QString("%1 cannot grab frames").arg(kEncoderLibraryFileName);
    return {};
  }
  QImage picture;
  const auto copy = [](const unsigned char* bgr, int width, int height, int strideBytes, void* userData) {
    // The library's bytes live only during the call: keep a copy.
    *static_cast<QImage*>(userData) = QImage(bgr, width, height, strideBytes, QImage::Format_BGR888).copy();
  };
  const int result = grabFrame_(sourcePath.toUtf8().constData(), seconds, copy, &picture);
  if (result != VENCOR_OK) {
    error = FailureText(result);
    return {};
  }
  if (picture.isNull()) error = "out of memory for the picture";
  return picture;
}

QSize EncoderLibrary::DisplayedFrameSize(const QString& sourcePath, QString& error) const {
  if (!displayedSize_) {
    error = QString("%1 cannot read frame sizes").arg(kEncoderLibraryFileName);
    return {};
  }
  int width = 0;
  int height = 0;
  const int result = displayedSize_(sourcePath.toUtf8().constData(), &width, &height);
  if (result != VENCOR_OK) {
    error = FailureText(result);
    return {};
  }
  return QSize(width, height);
}

DecodedGeometry EncoderLibrary::FrameGeometry(const QString& sourcePath, QString& error) const {
  if (!frameGeometry_) {
    error = QString("%1 cannot read frame sizes").arg(kEncoderLibraryFileName);
    return {};
  }
  int frameWidth = 0, frameHeight = 0, shownWidth = 0, shownHeight = 0;
  const int result = frameGeometry_(sourcePath.toUtf8().constData(), &frameWidth, &frameHeight, &shownWidth, &shownHeight);
  if (result != VENCOR_OK) {
    error = FailureText(result);
    return {};
  }
  return {QSize(frameWidth, frameHeight), QSize(shownWidth, shownHeight)};
}

std::optional<QString> EncoderLibrary::ReadTag(const QString& path, const QString& key) const {
  if (!readTag_) return std::nullopt;
  // Room for any record this program writes; a longer tag is not one of them.
  std::vector<char> value(size_t{64} * 1024);
  const int result = readTag_(path.toUtf8().constData(), key.toUtf8().constData(), value.data(),
                              static_cast<int>(value.size()));
  if (result != VENCOR_OK) return std::nullopt;
  return QString::fromUtf8(value.data());
}

}  // namespace vidmora
