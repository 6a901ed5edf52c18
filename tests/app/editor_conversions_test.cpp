// Colours and fonts between the layer file and Qt's choosers.
#include "app/templates/editor_conversions.h"

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
