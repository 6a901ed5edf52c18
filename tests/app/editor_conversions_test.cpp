// Colours and fonts between the layer file and Qt's choosers.
#include "app/templates/editor_conversions.h"
#include "app/templates/anchor_snap.h"

#include <gtest/gtest.h>

namespace vidmora::test {
namespace {

TEST(EditorConversions, ColoursKeepRedInTheLowByte) {
  EXPECT_EQ(ColorFromRef(734110), QColor(158, 51, 11));
  for (const uint32_t ref : {0u, 255u, 32896u, 8421504u, 16776960u, 0x00FFFFFFu})
    EXPECT_EQ(RefFromColor(ColorFromRef(ref)), ref) << ref;
}

TEST(EditorConversions, AChosenFontReplacesOnlyWhatTheChooserSets) {
  LogFont record = DefaultLogFont();
  record.charSet = 1;
  record.quality = 5;
  record.width = 7;
  const QFont start = ChooserFontFromLogFont(record);
  EXPECT_EQ(start.family(), "Arial");
  EXPECT_DOUBLE_EQ(start.pointSizeF(), 18.0);  // 24 pixels at 96 dpi

  QFont chosen("Liberation Serif");
  chosen.setPointSize(30);
  chosen.setWeight(QFont::Bold);
  chosen.setItalic(true);
  chosen.setStrikeOut(true);
  const LogFont changed = LogFontWithChoice(record, chosen);
  EXPECT_EQ(changed.FaceName(), u"Liberation Serif");
  EXPECT_EQ(changed.height, -40);
  EXPECT_EQ(changed.weight, 700);
  EXPECT_EQ(std::tuple(changed.italic, changed.underline, changed.strikeOut), std::tuple(1, 0, 1));
  EXPECT_EQ(std::tuple(changed.charSet, changed.quality, changed.width), std::tuple(1, 5, 7));

  // A record the chooser starts from gives the same record back.
  EXPECT_EQ(LogFontWithChoice(record, ChooserFontFromLogFont(record)).height, record.height);
}

}  // namespace
}  // namespace vidmora::test

namespace vidmora {
namespace {

// A dropped part is anchored at the nearest of the nine places, and the
// offsets bring it back to where it was dropped.
TEST(AnchorSnap, TheNearestPlaceAndTheRestAsOffsets) {
  struct Case {
    QRectF box;
    PartKind kind;
    SnappedPlace expected;
  };
  const QSize frame(677, 625);
  const Case cases[] = {
      {QRectF(10, 12, 100, 40), PartKind::kText, {0, 10, 12}},
      // Half the frame rounded down for text (338 - 38.5), exact for pictures
      // (338.5 - 38); the half pixel left rounds away from zero.
      {QRectF(300, 290, 77, 45), PartKind::kText, {4, 1, 1}},
      {QRectF(300, 290, 77, 45), PartKind::kPicture, {4, -1, -1}},
      {QRectF(557, 565, 100, 40), PartKind::kText, {8, -20, -20}},
      {QRectF(600, 10, 60, 60), PartKind::kPicture, {2, -17, 10}},
  };
  for (const Case& c : cases) {
    const SnappedPlace place = SnapToAnchor(c.box, frame, c.kind);
    EXPECT_EQ(place.location, c.expected.location) << c.box.x() << "," << c.box.y();
    EXPECT_EQ(place.offsetH, c.expected.offsetH) << c.box.x() << "," << c.box.y();
    EXPECT_EQ(place.offsetV, c.expected.offsetV) << c.box.x() << "," << c.box.y();
  }
}

}  // namespace
}  // namespace vidmora
