#pragma once

// One encode from start to end: checks the paths, opens the source, sets up
// the video and audio stages and the output, moves every packet through and
// commits the output file. Runs on the thread of dowm.

#include "encoder/options.h"
#include "encoder/vencor.h"

namespace vencor {

// Throws TranscodeError on any failure (the output is then removed) and
// std::bad_alloc when memory runs out.
void Transcode(const TranscodeOptions& options, VencorProgressCallback progress, void* userData);

}  // namespace vencor
