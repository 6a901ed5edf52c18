#pragma once

// Test access to libvencor.so as the application uses it: loaded with dlopen
// from the program folder for one call, unloaded afterwards.

#include "encoder/vencor.h"

#include <string>
#include <vector>

namespace vidmora::test {

struct EncodeResult {
  int code = -1;
  std::string error;  // vencor_last_error
  std::vector<std::string> notes;  // vencor_last_notes, one per line
  std::string summary;             // vencor_last_summary
};

// One dowm call. `arguments` follow the program name; `progress` may be null.
EncodeResult RunVencor(const std::vector<std::string>& arguments, VencorProgressCallback progress = nullptr,
                       void* userData = nullptr);

// The argument vector the application sends, with these values.
struct EncodeArgs {
  std::string source;
  std::string output;
  std::string videoCodec = "libx264";
  std::string videoBitRate = "0k";
  std::string frameRate = "0";
  std::string audioCodec = "libvo_aacenc";
  std::string sampleRate = "0k";
  std::string audioBitRate = "0k";
  std::string volume = "256";
  std::vector<std::string> Vector() const;
};

}  // namespace vidmora::test
