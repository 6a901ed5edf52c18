#pragma once

// Failures inside the encoder and the one log line each of them gets.
//
// The transcode code throws TranscodeError with a result code and a one-line
// reason; dowm catches it, logs the reason and hands it to vencor_last_error.
// Nothing is thrown across a C callback of FFmpeg or out of the library.

#include "encoder/vencor.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace vencor {

class TranscodeError : public std::runtime_error {
 public:
  TranscodeError(VencorResult code, const std::string& message) : std::runtime_error(message), code_(code) {}
  VencorResult Code() const { return code_; }

 private:
  VencorResult code_;
};

[[noreturn]] void Fail(VencorResult code, const std::string& message);

// FFmpeg's text for an error code (av_strerror), e.g. "Invalid data found when processing input".
std::string AvErrorText(int error);

// Returns `result` when it is not negative; otherwise throws `code` with
// "<context>: <FFmpeg's text>".
int CheckAv(int result, VencorResult code, std::string_view context);

// One line in the application's log through the drawing library's sink, prefixed "vencor: ".
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Something of the source the output does not keep as it was (a track left
// out, fewer channels, a reduced bit depth): logged, and kept once for
// vencor_last_notes (a second identical note of the same call is dropped).
void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Forgets the notes of the previous call on this thread.
void ClearNotes();
// The notes since ClearNotes, one per line.
const char* Notes();

}  // namespace vencor
