// Feeds arbitrary text to the media probe's conversions of MediaInfo's texts
// (as UTF-16 code units, split into the seven fields at NUL units). The
// results must stay in their ranges: a rotation of 0 to 359 degrees and
// rates that are finite and not negative; no text may crash or reach
// undefined behaviour.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/processing/media_probe.h"
#include "shared/text/wide_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::u16string> fields(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (unit == u'\0' && fields.size() < 7) fields.emplace_back();
    else fields.back() += unit;
  }
  fields.resize(7);

  // Fields 2 and 5 were bit rates, which the probe no longer reads; the corpus
  // keeps its seven fields, and every field still goes through WideToDouble below.
  vidmora::MediaTexts texts;
  texts.width = fields[0];
  texts.height = fields[1];
  texts.frameRate = fields[3];
  texts.rotation = fields[4];
  texts.samplingRate = fields[6];
  const vidmora::MediaValues values = vidmora::ConvertMediaTexts(texts);
  if (values.rotationDegrees < 0 || values.rotationDegrees > 359) std::abort();
  // "nan" or "inf" from a damaged file must not reach the encoder's arguments as a rate.
  if (!std::isfinite(values.frameRate) || !std::isfinite(values.samplingRateKhz)) std::abort();
  if (values.frameRate < 0 || values.samplingRateKhz < 0) std::abort();
  for (const std::u16string& field : fields) vidmora::WideToDouble(field);
  return 0;
}
