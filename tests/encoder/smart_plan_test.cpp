#include "encoder/smart_plan.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace vencor {
namespace {

// Closed groups of `gop` pictures at one tick a picture, shown in order (no reordering).
std::vector<PacketTimes> InOrder(int pictures, int gop) {
  std::vector<PacketTimes> packets;
  packets.reserve(static_cast<size_t>(pictures));
  for (int i = 0; i < pictures; ++i) packets.push_back({i, i, i % gop == 0});
  return packets;
}

// Closed groups with B-pictures: decode order I P B B P B B..., shown I B B P B B P.
std::vector<PacketTimes> WithBFrames(int groups, int gop) {
  std::vector<PacketTimes> packets;
  int64_t dts = -2;
  for (int g = 0; g < groups; ++g) {
    const int base = g * gop;
    packets.push_back({base, dts++, true});
    for (int p = 3; p < gop + 2; p += 3) {
      const int anchor = std::min(base + p, base + gop - 1);
      packets.push_back({anchor, dts++, false});
      for (int b = base + p - 2; b < anchor; ++b) packets.push_back({b, dts++, false});
    }
  }
  return packets;
}

struct SpanCase {
  const char* name;
  std::vector<TimeWindow> windows;
  std::vector<ReencodeSpan> spans;
};

TEST(SplicePlan, SpansRunFromTheKeyframeBeforeToTheKeyframeAfter) {
  const std::vector<PacketTimes> packets = InOrder(100, 10);  // keyframes at 0, 10, ..., 90
  const std::vector<SpanCase> cases = {
      {"start", {{0, 5}}, {{0, 10, 0, 10}}},
      {"middle across a keyframe", {{25, 41}}, {{20, 50, 20, 50}}},
      {"ends on a keyframe", {{30, 40}}, {{30, 40, 30, 40}}},
      {"end", {{95, std::numeric_limits<int64_t>::max()}}, {{90, 100, 90, 100}}},
      {"two apart", {{3, 4}, {71, 72}}, {{0, 10, 0, 10}, {70, 80, 70, 80}}},
      {"two in neighbouring groups merge", {{15, 16}, {22, 23}}, {{10, 30, 10, 30}}},
      {"overlapping, given out of order", {{55, 70}, {41, 58}}, {{40, 70, 40, 70}}},
      {"beyond the clip", {{150, 200}}, {}},
      {"whole clip", {{0, 1000}}, {{0, 100, 0, 100}}},
  };
  for (const SpanCase& c : cases) {
    const SplicePlan plan = PlanSpans(packets, c.windows);
    ASSERT_TRUE(plan.Holds()) << c.name << ": " << plan.refusal;
    EXPECT_EQ(plan.spans, c.spans) << c.name;
    size_t reencoded = 0;
    for (const ReencodeSpan& span : c.spans) reencoded += span.endPacket - span.firstPacket;
    EXPECT_EQ(plan.reencodedPackets, reencoded) << c.name;
  }
}

TEST(SplicePlan, ReorderedPicturesStayWithTheirGroup) {
  const std::vector<PacketTimes> packets = WithBFrames(4, 12);  // keyframes show at 0, 12, 24, 36
  // Picture 13 is a B-picture of the second group, sent after picture 15.
  const SplicePlan plan = PlanSpans(packets, {{13, 14}});
  ASSERT_TRUE(plan.Holds()) << plan.refusal;
  ASSERT_EQ(plan.spans.size(), 1u);
  EXPECT_EQ(plan.spans[0].startPts, 12);
  EXPECT_EQ(plan.spans[0].endPts, 24);
  EXPECT_EQ(plan.spans[0].firstPacket, 12u);
  EXPECT_EQ(plan.spans[0].endPacket, 24u);
  // The last group: the span ends past its last picture.
  const SplicePlan last = PlanSpans(packets, {{40, 41}});
  ASSERT_EQ(last.spans.size(), 1u);
  EXPECT_EQ(last.spans[0].endPts, 48);
  EXPECT_EQ(last.spans[0].endPacket, packets.size());
}

TEST(SplicePlan, RefusesWhatCannotBeCutCleanly) {
  // An open group: the keyframe at 10 is sent before pictures 8 and 9 that are shown before it.
  std::vector<PacketTimes> open = {{0, 0, true},   {3, 1, false},   {1, 2, false},   {2, 3, false},  {7, 4, false},
                                   {4, 5, false},  {5, 6, false},   {6, 7, false},   {10, 8, true},  {8, 9, false},
                                   {9, 10, false}, {13, 11, false}, {11, 12, false}, {12, 13, false}};
  EXPECT_NE(PlanSpans(open, {{11, 12}}).refusal.find("open"), std::string::npos);
  EXPECT_NE(PlanSpans(open, {{2, 3}}).refusal.find("open"), std::string::npos);  // the span ends before it

  std::vector<PacketTimes> noRefresh = InOrder(30, 10);
  noRefresh[10].refresh = false;  // an I-picture that is no IDR
  EXPECT_NE(PlanSpans(noRefresh, {{12, 13}}).refusal.find("open"), std::string::npos);
  EXPECT_NE(PlanSpans(noRefresh, {{2, 3}}).refusal.find("open"), std::string::npos);
  EXPECT_TRUE(PlanSpans(noRefresh, {{22, 23}}).Holds());  // its cuts are elsewhere

  std::vector<PacketTimes> noKey = InOrder(20, 10);
  noKey[0].key = false;
  EXPECT_FALSE(PlanSpans(noKey, {{0, 1}}).Holds());
  std::vector<PacketTimes> backwards = InOrder(20, 10);
  backwards[5].dts = 2;
  EXPECT_FALSE(PlanSpans(backwards, {{0, 1}}).Holds());
  EXPECT_FALSE(PlanSpans({}, {{0, 1}}).Holds());
}

TEST(SplicePlan, FillsDecodeTimesBeforeEachPicturesTime) {
  std::vector<PacketTimes> packets = WithBFrames(3, 12);
  FillDecodeTimes(packets, 1);
  for (size_t k = 0; k < packets.size(); ++k) {
    EXPECT_LE(packets[k].dts, packets[k].pts) << k;
    if (k > 0) {
      EXPECT_LT(packets[k - 1].dts, packets[k].dts) << k;
    }
  }
  EXPECT_EQ(packets.front().dts, -1);  // one picture of reordering
  std::vector<PacketTimes> inOrder = InOrder(10, 5);
  FillDecodeTimes(inOrder, 3);
  for (const PacketTimes& packet : inOrder) EXPECT_EQ(packet.dts, packet.pts);
}

TEST(SplicePlan, DecidesWhenOnlyTheMarkIsReencoded) {
  SpliceFacts ok;
  ok.sourceCodec = ok.outputCodec = SpliceCodec::kH264;
  ok.containerHoldsSource = ok.lengthPrefixed = ok.everyLayerTimed = ok.hasWindows = ok.formatKept = true;
  EXPECT_EQ(SpliceRefusal(ok), std::nullopt);
  SpliceFacts hevc = ok;
  hevc.sourceCodec = hevc.outputCodec = SpliceCodec::kHevc;
  EXPECT_EQ(SpliceRefusal(hevc), std::nullopt);

  struct RefusalCase {
    void (*change)(SpliceFacts&);
    const char* words;
  };
  const std::vector<RefusalCase> cases = {
      {[](SpliceFacts& f) { f.everyLayerTimed = false; }, "every frame"},
      {[](SpliceFacts& f) { f.sourceCodec = SpliceCodec::kOther, f.sourceCodecName = "mpeg4"; }, "mpeg4"},
      {[](SpliceFacts& f) { f.outputCodec = SpliceCodec::kHevc; }, "(HEVC) is not the source's (H.264)"},
      {[](SpliceFacts& f) { f.qualityChange = true; }, "bit rate"},
      {[](SpliceFacts& f) { f.rateChange = true; }, "frame rate"},
      {[](SpliceFacts& f) { f.sizeChange = true; }, "size"},
      {[](SpliceFacts& f) { f.interlaced = true; }, "interlaced"},
      {[](SpliceFacts& f) { f.containerHoldsSource = false; }, "container"},
      {[](SpliceFacts& f) { f.lengthPrefixed = false; }, "parameter sets"},
      {[](SpliceFacts& f) { f.formatKept = false; }, "pixel format"},
      {[](SpliceFacts& f) { f.hasWindows = false; }, "within the clip"},
  };
  for (const RefusalCase& c : cases) {
    SpliceFacts facts = ok;
    c.change(facts);
    const auto refusal = SpliceRefusal(facts);
    ASSERT_TRUE(refusal) << c.words;
    EXPECT_NE(refusal->find(c.words), std::string::npos) << *refusal;
  }
}

TEST(SplicePlan, ReadsWindowsInMilliseconds) {
  constexpr int64_t kNoEnd = std::numeric_limits<int64_t>::max();
  const auto windows = ParseWindows("0:10000,60000:,5000:-2000,9000:8000", 120000);
  ASSERT_TRUE(windows);
  ASSERT_EQ(windows->size(), 3u);  // the empty one is dropped
  EXPECT_EQ((*windows)[0].end, 10000);
  EXPECT_EQ((*windows)[1].end, kNoEnd);
  EXPECT_EQ((*windows)[2].end, 118000);
  EXPECT_EQ(ParseWindows("5000:-2000", 0)->front().end, kNoEnd);  // the clip's length unknown: to the end
  EXPECT_TRUE(ParseWindows("", 1000)->empty());
  for (const char* bad : {"1", "a:2", "1:2,", "-1:5", "1:0", "1:2:3", "1:2;3:4"})
    EXPECT_FALSE(ParseWindows(bad, 1000)) << bad;
}

}  // namespace
}  // namespace vencor
