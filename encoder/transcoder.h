#pragma once

// One encode from start to end: checks the paths, opens the source, sets up
// the video and audio stages and the output, moves every packet through and
// commits the output file. Runs on the thread of dowm.

#include "encoder/options.h"
#include "encoder/vencor.h"

#include <string>

namespace vencor {

// With options.smartWindows, only the pictures the marks show on are
// re-encoded where that applies (smart_plan.h) and the output proves sound
// (splice_check.h); otherwise, and with a note saying why, the whole video is.
// Returns how the output was made ("copied 98 %, re-encoded 2 %"; empty
// for a whole encode). Throws TranscodeError on any failure (the output is
// then removed) and std::bad_alloc when memory runs out.
std::string Transcode(const TranscodeOptions& options, VencorProgressCallback progress, void* userData);

}  // namespace vencor
