#include "encoder/smart_plan.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

namespace vencor {

namespace {

constexpr int64_t kNoEnd = std::numeric_limits<int64_t>::max();

const char* CodecName(SpliceCodec codec) {
  switch (codec) {
    case SpliceCodec::kH264: return "H.264";
    case SpliceCodec::kHevc: return "HEVC";
    default: return "another codec";
  }
}

std::optional<int64_t> ParseNumber(std::string_view text) {
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

}  // namespace

SplicePlan PlanSpans(const std::vector<PacketTimes>& packets, std::vector<TimeWindow> windows) {
  SplicePlan plan;
  if (packets.empty()) {
    plan.refusal = "the source's video has no packets";
    return plan;
  }
  if (!packets.front().key) {
    plan.refusal = "the source's video does not start on a keyframe";
    return plan;
  }
  for (size_t i = 1; i < packets.size(); ++i) {
    if (packets[i].dts <= packets[i - 1].dts) {
      plan.refusal = "the source's video packets are not in decode order with rising times";
      return plan;
    }
  }
  // Groups of pictures: the packet index of each keyframe.
  std::vector<size_t> groups;
  for (size_t i = 0; i < packets.size(); ++i)
    if (packets[i].key) groups.push_back(i);
  const size_t count = packets.size();
  // A cut before packet i is clean when every picture before it in decode
  // order is shown before every picture from it on.
  std::vector<int64_t> latestBefore(count + 1, std::numeric_limits<int64_t>::min());
  std::vector<int64_t> earliestFrom(count + 1, kNoEnd);
  for (size_t i = 0; i < count; ++i) latestBefore[i + 1] = std::max(latestBefore[i], packets[i].pts);
  for (size_t i = count; i-- > 0;) earliestFrom[i] = std::min(earliestFrom[i + 1], packets[i].pts);
  const auto groupEnd = [&](size_t g) { return g + 1 < groups.size() ? groups[g + 1] : count; };
  // Whether the group starting at packet `key` shows pictures before its keyframe (leading pictures).
  const auto leading = [&](size_t key) {
    for (size_t i = key + 1; i < count && !packets[i].key; ++i)
      if (packets[i].pts < packets[key].pts) return true;
    return false;
  };

  std::sort(windows.begin(), windows.end(), [](const TimeWindow& a, const TimeWindow& b) { return a.start < b.start; });
  // The groups that show a picture inside a window, as [first, last] group ranges, merged when they touch.
  std::vector<std::pair<size_t, size_t>> ranges;
  for (size_t g = 0; g < groups.size(); ++g) {
    bool marked = false;
    for (size_t i = groups[g]; i < groupEnd(g) && !marked; ++i)
      for (const TimeWindow& window : windows)
        if (packets[i].pts >= window.start && packets[i].pts < window.end) {
          marked = true;
          break;
        }
    if (!marked) continue;
    if (!ranges.empty() && ranges.back().second + 1 == g) ranges.back().second = g;
    else ranges.emplace_back(g, g);
  }
  for (const auto& [first, last] : ranges) {
    ReencodeSpan span;
    span.firstPacket = groups[first];
    span.endPacket = groupEnd(last);
    for (const size_t cut : {span.firstPacket, span.endPacket}) {
      if (cut == 0 || cut == count || (packets[cut].refresh && latestBefore[cut] < earliestFrom[cut] && !leading(cut)))
        continue;
      plan.spans.clear();
      plan.reencodedPackets = 0;
      plan.refusal =
          "the source's groups of pictures are open (pictures shown before a keyframe lean on the group "
          "before it)";
      return plan;
    }
    span.startPts = earliestFrom[span.firstPacket];
    span.endPts = span.endPacket == count ? latestBefore[count] + 1 : earliestFrom[span.endPacket];
    plan.reencodedPackets += span.endPacket - span.firstPacket;
    plan.spans.push_back(span);
  }
  return plan;
}

void FillDecodeTimes(std::vector<PacketTimes>& packets, int64_t frameDuration) {
  std::vector<int64_t> shown;
  shown.reserve(packets.size());
  for (const PacketTimes& packet : packets) shown.push_back(packet.pts);
  std::sort(shown.begin(), shown.end());
  // The reordering depth: how far a packet's picture is shown before its place in decode order.
  ptrdiff_t depth = 0;
  for (size_t k = 0; k < packets.size(); ++k) {
    const auto rank = std::lower_bound(shown.begin(), shown.end(), packets[k].pts) - shown.begin();
    depth = std::max(depth, static_cast<ptrdiff_t>(k) - rank);
  }
  frameDuration = std::max<int64_t>(frameDuration, 1);
  for (size_t k = 0; k < packets.size(); ++k) {
    const auto back = static_cast<ptrdiff_t>(k) - depth;
    packets[k].dts = back >= 0 ? shown[static_cast<size_t>(back)] : shown.front() + back * frameDuration;
  }
}

std::optional<std::string> SpliceRefusal(const SpliceFacts& facts) {
  if (!facts.everyLayerTimed) return "a layer of the template shows on every frame";
  if (facts.sourceCodec == SpliceCodec::kOther)
    return "the source's video is " + (facts.sourceCodecName.empty() ? std::string("unknown") : facts.sourceCodecName) +
           ", not H.264 or HEVC";
  if (facts.outputCodec != facts.sourceCodec)
    return std::string("the output's video codec (") + CodecName(facts.outputCodec) + ") is not the source's (" +
           CodecName(facts.sourceCodec) + ")";
  if (facts.qualityChange) return "a video bit rate is set, which changes every frame";
  if (facts.rateChange) return "a frame rate is set, which changes every frame";
  if (facts.sizeChange) return "the picture's size, shape or turn changes on every frame";
  if (facts.interlaced) return "the source is interlaced";
  if (!facts.containerHoldsSource) return "the output container cannot hold the source's video as it is";
  if (!facts.lengthPrefixed) return "the source's video keeps its parameter sets in its packets only";
  if (!facts.formatKept) return "the encoder cannot code the source's pixel format as it is";
  if (!facts.hasWindows) return "no layer's time window lies within the clip";
  return std::nullopt;
}

std::optional<std::vector<TimeWindow>> ParseWindows(const std::string& text, int64_t clipMs) {
  std::vector<TimeWindow> windows;
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    if (comma != std::string_view::npos && rest.empty()) return {};
    const size_t colon = item.find(':');
    if (colon == std::string_view::npos) return {};
    const auto start = ParseNumber(item.substr(0, colon));
    if (!start || *start < 0) return {};
    const std::string_view endText = item.substr(colon + 1);
    int64_t end = kNoEnd;
    if (!endText.empty()) {
      const auto value = ParseNumber(endText);
      if (!value || *value == 0) return {};
      end = *value > 0 ? *value : (clipMs > 0 ? clipMs + *value : kNoEnd);
    }
    if (end > *start) windows.push_back({*start, end});
  }
  return windows;
}

}  // namespace vencor
