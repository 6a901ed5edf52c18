#pragma once

// The proof that an output re-encoded only around its marks is sound: both
// files are decoded from start to end with the decoders' error detection on;
// the output must decode without an error, show as many pictures at the
// same times as the source, and every picture outside the re-encoded spans
// must be the source's to the bit (compared by a checksum of its planes).
// Runs on the thread of dowm.

#include "encoder/smart_plan.h"

#include <functional>
#include <string>
#include <vector>

namespace vencor {

// Empty when the output at `outputPath` passes; else the reason, one line.
// `spans` are in the source's video time base, from its start. `keepGoing`
// is asked between packets; false stops the check (the caller then fails the
// encode as stopped).
std::string CheckSplicedOutput(const std::string& sourcePath, const std::string& outputPath,
                               const std::vector<ReencodeSpan>& spans, const std::function<bool()>& keepGoing);

}  // namespace vencor
