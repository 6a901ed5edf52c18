#pragma once

// The proof that an output re-encoded only around its marks is sound,
// without decoding the whole of both files. Every copied video packet of the
// output must be the source's to the byte, at the source's time, with the
// source's keyframe flag (the first one after a span with the source's
// parameter sets in front). What only decoding shows is decoded, with the
// decoders' error detection on, in both files: each re-encoded span with
// the group of pictures before it and the one after it. The decoding starts
// on a refresh (an IDR), going further back past open groups, whose
// pictures lean on those before. The output must decode there without an
// error, to pictures at the source's times, those outside the spans the
// source's to the bit (a checksum of their planes against the source's own
// pictures). Every cut falls on a refresh (the plan allows no other), so
// past those groups the decoder holds what it holds in the source and is
// fed the same bytes: the pictures there are the source's too. Runs on the
// thread of dowm.

#include "encoder/smart_plan.h"

#include <functional>
#include <string>
#include <vector>

namespace vencor {

// Empty when the output at `outputPath` passes; else the reason, one line.
// `times` are the source's video packets in decode order as the plan was
// made from them, `spans` the plan's (in the source's video time base, from
// its start). `keepGoing` is asked between packets; false stops the check
// (the caller then fails the encode as stopped).
std::string CheckSplicedOutput(const std::string& sourcePath, const std::string& outputPath,
                               const std::vector<PacketTimes>& times, const std::vector<ReencodeSpan>& spans,
                               const std::function<bool()>& keepGoing);

}  // namespace vencor
