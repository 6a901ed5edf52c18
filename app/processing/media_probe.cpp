#include "app/processing/media_probe.h"

#include "shared/text/wide_number.h"

#include <QFile>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <optional>
#include <string>

namespace vidmora {

namespace {

constexpr const char* kLibraryName = "libmediainfo.so.0";

// MediaInfo's C interface (wide functions: wchar_t, UTF-32 here).
enum StreamKind { kStreamGeneral = 0, kStreamVideo = 1, kStreamAudio = 2 };
enum InfoKind { kInfoName = 0, kInfoText = 1 };

// Every entry point of the wide interface: a library that lacks one of them
// is not the library we were built for and is not used.
constexpr const char* kEntryPoints[] = {
    "MediaInfo_New", "MediaInfoList_New", "MediaInfo_Delete", "MediaInfoList_Delete",
    "MediaInfo_Open", "MediaInfoList_Open", "MediaInfo_Open_Buffer_Init", "MediaInfo_Open_Buffer_Continue",
    "MediaInfo_Open_Buffer_Continue_GoTo_Get", "MediaInfo_Open_Buffer_Finalize", "MediaInfo_Open_NextPacket",
    "MediaInfo_Close", "MediaInfoList_Close", "MediaInfo_Inform", "MediaInfoList_Inform", "MediaInfo_GetI",
    "MediaInfoList_GetI", "MediaInfo_Get", "MediaInfoList_Get", "MediaInfo_Output_Buffer_Get",
    "MediaInfo_Output_Buffer_GetI", "MediaInfo_Option", "MediaInfoList_Option", "MediaInfo_State_Get",
    "MediaInfoList_State_Get", "MediaInfo_Count_Get", "MediaInfoList_Count_Get", "MediaInfoList_Count_Get_Files"};

// The entry points the probe calls.
struct MediaInfoApi {
  void* module;
  void* (*create)();
  void (*destroy)(void* handle);
  size_t (*open)(void* handle, const wchar_t* path);
  void (*close)(void* handle);
  const wchar_t* (*get)(void* handle, int streamKind, size_t streamNumber, const wchar_t* parameter, int infoKind,
                        int searchKind);
};

template <typename Function>
Function* As(void* symbol) {
  return reinterpret_cast<Function*>(symbol);
}

std::optional<MediaInfoApi> Bind(const char* libraryName) {
  void* module = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
  if (!module) return std::nullopt;
  for (const char* name : kEntryPoints) {
    if (!dlsym(module, name)) {
      dlclose(module);
      return std::nullopt;
    }
  }
  MediaInfoApi api{};
  api.module = module;
  api.create = As<void*()>(dlsym(module, "MediaInfo_New"));
  api.destroy = As<void(void*)>(dlsym(module, "MediaInfo_Delete"));
  api.open = As<size_t(void*, const wchar_t*)>(dlsym(module, "MediaInfo_Open"));
  api.close = As<void(void*)>(dlsym(module, "MediaInfo_Close"));
  api.get = As<const wchar_t*(void*, int, size_t, const wchar_t*, int, int)>(dlsym(module, "MediaInfo_Get"));
  return api;
}

// Loaded and bound once, by whichever thread probes first; stays loaded for
// the life of the process.
const MediaInfoApi* Api() {
  static const std::optional<MediaInfoApi> api = Bind(kLibraryName);
  return api ? &*api : nullptr;
}

// One opened MediaInfo handle; closed and deleted when it goes.
//
// The file is opened here, from the bytes of its name, and MediaInfo is given
// "/proc/self/fd/N": MediaInfo turns a wide name into bytes through the
// locale, which fails for any non-ASCII name under the C locale and for names
// that are not valid UTF-8. Anything but a regular file is not handed on (a
// FIFO with no writer would block MediaInfo for good).
class OpenedMedia {
 public:
  OpenedMedia(const MediaInfoApi& api, const QString& path) : api_(api) {
    fd_ = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return;
    handle_ = api.create();
    const std::wstring byDescriptor = L"/proc/self/fd/" + std::to_wstring(fd_);
    if (handle_) opened_ = api_.open(handle_, byDescriptor.c_str()) >= 1;
  }
  ~OpenedMedia() {
    if (handle_) {
      api_.close(handle_);
      api_.destroy(handle_);
    }
    if (fd_ >= 0) close(fd_);
  }
  OpenedMedia(const OpenedMedia&) = delete;
  OpenedMedia& operator=(const OpenedMedia&) = delete;

  bool IsOpen() const { return opened_; }

  std::u16string Get(StreamKind kind, const wchar_t* parameter) const {
    const wchar_t* text = api_.get(handle_, kind, 0, parameter, kInfoText, kInfoName);
    return text ? QString::fromWCharArray(text).toStdU16String() : std::u16string();
  }

 private:
  const MediaInfoApi& api_;
  int fd_ = -1;
  void* handle_ = nullptr;
  bool opened_ = false;
};

// A rate or a duration is a finite number above 0; anything else ("nan", "inf",
// "-25") counts as none.
double RateOrZero(double value) { return std::isfinite(value) && value > 0 ? value : 0; }

int NormalizedDegrees(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  const int rounded = static_cast<int>(std::lround(std::fmod(degrees, 360.0)));
  return (rounded % 360 + 360) % 360;
}

}  // namespace

MediaValues ConvertMediaTexts(const MediaTexts& texts) {
  MediaValues values;
  values.storedWidth = WideToInt(texts.width);
  values.storedHeight = WideToInt(texts.height);
  values.rotationDegrees = NormalizedDegrees(WideToDouble(texts.rotation));
  values.frameRate = RateOrZero(WideToDouble(texts.frameRate));
  values.samplingRateKhz = RateOrZero(WideToDouble(texts.samplingRate) / 1000);
  values.durationSeconds = RateOrZero(WideToDouble(texts.duration) / 1000);
  return values;
}

bool CanBindMediaInfo(const char* libraryName) {
  const std::optional<MediaInfoApi> api = Bind(libraryName);
  if (api) dlclose(api->module);
  return api.has_value();
}

QString ProbeErrorMessage(ProbeError error, const QString& path) {
  return error == ProbeError::kNone ? QString() : QString("Can't open file %1").arg(path);
}

ProbeError MediaProbe::Open(const QString& path) {
  values_ = MediaValues();
  const MediaInfoApi* api = Api();
  if (!api) return ProbeError::kNoMediaInfo;
  bool known = false;
  {
    const OpenedMedia media(*api, path);
    // MediaInfo opens any readable file; one whose format it cannot name is
    // no media file for us.
    known = media.IsOpen() && !media.Get(kStreamGeneral, L"Format").empty();
    if (known) {
      MediaTexts texts;
      texts.width = media.Get(kStreamVideo, L"Width");
      texts.height = media.Get(kStreamVideo, L"Height");
      texts.frameRate = media.Get(kStreamVideo, L"FrameRate");
      texts.rotation = media.Get(kStreamVideo, L"Rotation");
      texts.samplingRate = media.Get(kStreamAudio, L"SamplingRate");
      texts.duration = media.Get(kStreamGeneral, L"Duration");
      values_ = ConvertMediaTexts(texts);
    }
  }
  return known ? ProbeError::kNone : ProbeError::kNotMedia;
}

QSize MediaProbe::FrameSize() const {
  const bool sideways = values_.rotationDegrees == 90 || values_.rotationDegrees == 270;
  return sideways ? QSize(values_.storedHeight, values_.storedWidth) : StoredFrameSize();
}

QSize MediaProbe::StoredFrameSize() const { return QSize(values_.storedWidth, values_.storedHeight); }

}  // namespace vidmora
