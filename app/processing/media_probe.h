#pragma once

// The properties of a source video: frame size and rotation, frame rate and
// sampling rate, read with MediaInfo
// ("libmediainfo.so.0", loaded at the first probe and kept for the process).
//
//   MediaProbe probe;
//   const ProbeError error = probe.Open(source);   // on failure every value is 0
//   const QSize frame = probe.FrameSize();         // empty when unknown
//
// A probe belongs to one thread at a time; probes on different threads work
// side by side. Open reads every value at once and closes the file again,
// so the probe holds no file open afterwards.

#include <QSize>
#include <QString>

#include <string>
#include <string_view>

namespace vidmora {

// The texts that MediaInfo gives for a file (video and audio stream 0).
struct MediaTexts {
  std::u16string width;
  std::u16string height;
  std::u16string frameRate;      // frames/s, e.g. "29.970"
  std::u16string rotation;       // degrees, e.g. "90.000"
  std::u16string samplingRate;   // Hz
  std::u16string duration;       // of the whole file, milliseconds
};

// What the probe hands on. Every value is 0 when MediaInfo has no text for it.
struct MediaValues {
  int storedWidth = 0;           // as coded in the file
  int storedHeight = 0;
  int rotationDegrees = 0;       // display rotation, 0 to 359
  double frameRate = 0;
  double samplingRateKhz = 0;    // number of the text divided by 1000
  double durationSeconds = 0;    // number of the text divided by 1000
};

// Converts MediaInfo's texts as the C runtime's _wtoi (integers) and _wtof
// (numbers) read them: leading blanks, a sign, then as much as forms a
// number; "1080 pixels" is 1080 and "44100" Hz is 44.1 kHz.
MediaValues ConvertMediaTexts(const MediaTexts& texts);

// Whether the MediaInfo library `libraryName` (a file name or path, as
// dlopen takes it) loads and has every entry point of the wide interface. A
// library that lacks one is unloaded again. Probes bind "libmediainfo.so.0"
// this way, once per process; this lets tools and tests check a library.
bool CanBindMediaInfo(const char* libraryName);

enum class ProbeError {
  kNone,
  kNoMediaInfo,  // "libmediainfo.so.0" is missing or lacks an entry point
  kNotMedia,     // the file cannot be opened, or holds no format MediaInfo knows
};

// The message for the user: "Can't open file <path>" (shown with the caption
// "Vidmora" and the error icon); empty for kNone.
QString ProbeErrorMessage(ProbeError error, const QString& path);

class MediaProbe {
 public:
  // Reads the file. On failure every value is left 0.
  ProbeError Open(const QString& path);

  // The frame as displayed: width and height swapped when the video is
  // stored rotated by 90 or 270 degrees. This is the size frames are painted at.
  QSize FrameSize() const;
  // The frame as stored in the file.
  QSize StoredFrameSize() const;
  int RotationDegrees() const { return values_.rotationDegrees; }
  double FrameRate() const { return values_.frameRate; }
  double SamplingRateKhz() const { return values_.samplingRateKhz; }
  double DurationSeconds() const { return values_.durationSeconds; }

 private:
  MediaValues values_;
};

}  // namespace vidmora
