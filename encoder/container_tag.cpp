#include "encoder/container_tag.h"

#include "encoder/av_handles.h"
#include "encoder/errors.h"

namespace vencor {

std::optional<std::string> ReadContainerTag(const std::string& path, const std::string& key) {
  // As for a source: "file:" keeps a ':' in the name from being read as a
  // protocol, and the whitelist keeps the file from opening anything else.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  AVFormatContext* opened = nullptr;
  const std::string url = "file:" + path;
  const int result = avformat_open_input(&opened, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0) Fail(VENCOR_ERROR_INPUT, "cannot read " + path + ": " + AvErrorText(result));
  const InputFormatPtr format(opened);
  const AVDictionaryEntry* entry = av_dict_get(format->metadata, key.c_str(), nullptr, 0);
  if (!entry) return std::nullopt;
  return std::string(entry->value);
}

}  // namespace vencor
