#pragma once

// Re-encoding only where the mark is: when it applies, and which of the
// source's pictures go through the decoder and the encoder while every other
// packet is copied as it is.
//
// A window is a stretch of the clip in which a timed layer shows; a span is a
// run of whole groups of pictures (from a keyframe up to the next keyframe,
// decode order) that overlaps a window. Spans start on the keyframe at or
// before a window's start and end on the keyframe after its end; spans that
// touch are merged. Pure functions on plain values (no FFmpeg); any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vencor {

// A window of the clip, in the units of the packets' timestamps: [start, end).
struct TimeWindow {
  int64_t start = 0;
  int64_t end = 0;
};

// One video packet of the source, in decode order. A keyframe that is no
// refresh (an H.264 I-picture without IDR, an HEVC CRA) starts an open group:
// the pictures after it may lean on those before.
struct PacketTimes {
  int64_t pts = 0;
  int64_t dts = 0;
  bool key = false;
  bool refresh = true;
};

// Packets [firstPacket, endPacket) in decode order, and the pictures they
// show: [startPts, endPts) (endPts is the next keyframe's time, or past the
// last picture when the span runs to the end).
struct ReencodeSpan {
  size_t firstPacket = 0;
  size_t endPacket = 0;
  int64_t startPts = 0;
  int64_t endPts = 0;
  bool operator==(const ReencodeSpan&) const = default;
};

struct SplicePlan {
  std::vector<ReencodeSpan> spans;  // in order, never touching
  size_t reencodedPackets = 0;
  std::string refusal;  // why nothing can be copied (then spans is empty); empty when the plan holds
  bool Holds() const { return refusal.empty(); }
};

// The spans for `windows` over `packets` (decode order). Refused when the
// packets carry no timestamps in order, when the first packet is no
// keyframe, or when a cut falls on an open group of pictures (a keyframe
// that is no refresh, or one sent before pictures shown before it). Windows that cover no picture plan no span.
SplicePlan PlanSpans(const std::vector<PacketTimes>& packets, std::vector<TimeWindow> windows);

// Decode times for packets whose container keeps presentation times only
// (Matroska leaves most of them unset): the presentation times in order,
// held back by the stream's reordering depth, and before the first of them
// one `frameDuration` apart. Every packet's decode time then comes before
// its presentation time, in rising order, as the encoders' own would.
void FillDecodeTimes(std::vector<PacketTimes>& packets, int64_t frameDuration);

// What decides whether a file can be copied around its marks.
enum class SpliceCodec { kOther, kH264, kHevc };

struct SpliceFacts {
  SpliceCodec sourceCodec = SpliceCodec::kOther;
  SpliceCodec outputCodec = SpliceCodec::kOther;
  std::string sourceCodecName;        // for the reason ("mpeg4")
  bool containerHoldsSource = false;  // the output container takes the source's stream as it is
  bool lengthPrefixed = false;        // the source's stream has its parameter sets out of band (avcC, hvcC)
  bool everyLayerTimed = false;       // no layer shows on every frame
  bool hasWindows = false;            // at least one window lies in the clip
  bool sizeChange = false;            // another display aspect, a picture turned or scaled
  bool rateChange = false;            // another frame rate
  bool qualityChange = false;         // a set video bit rate
  bool interlaced = false;
  bool formatKept = false;  // the encoder codes the source's pixel format as it is
};

// Nothing when only the marked pictures need re-encoding; else the reason
// the whole file is re-encoded, one line ("the source's video is mpeg4, not
// H.264 or HEVC").
std::optional<std::string> SpliceRefusal(const SpliceFacts& facts);

// Windows written as the encoder takes them: "START:END[,START:END]..." in
// milliseconds from the clip's start; END empty for "to the end", negative
// counting back from the end. `clipMs` resolves those (0 when unknown: "to
// the end" then means no end). Nothing for malformed text.
std::optional<std::vector<TimeWindow>> ParseWindows(const std::string& text, int64_t clipMs);

}  // namespace vencor
