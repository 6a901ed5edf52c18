#pragma once

// A linear libavfilter graph: a source ("buffer" or "abuffer"), a chain of
// filters given as text, and a sink. Used for rotation, frame rate, pixel
// format, volume and resampling.

#include "encoder/av_handles.h"

#include <string>

namespace vencor {

struct FilterGraph {
  FilterGraphPtr graph;
  AVFilterContext* source = nullptr;  // owned by graph
  AVFilterContext* sink = nullptr;    // owned by graph
};

// `sourceArguments` configure the source; `chain` is filter text such as
// "fps=25,format=yuv420p" (empty: straight through). Throws
// VENCOR_ERROR_INTERNAL with `purpose` in the message.
FilterGraph MakeFilterGraph(AVMediaType type, const std::string& sourceArguments, const std::string& chain,
                            const char* purpose);

// A rational as filter options take it: "num/den".
std::string RationalText(AVRational value);

// The "buffer" source's options for decoded frames of `width` x `height` in
// the pixel format `format`, timed in `timeBase`, with pixels of the shape
// `pixelAspect`.
std::string VideoSourceArguments(int width, int height, int format, AVRational timeBase, AVRational pixelAspect);

}  // namespace vencor
