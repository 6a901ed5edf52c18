// Recipient lists: CSV fields and quoting, the recipients' token values,
// names made fit for files, and the run's size as the window tells it.

#include "app/processing/recipients.h"

#include <gtest/gtest.h>

namespace vidmora {
namespace {

std::string U8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

TEST(Recipients, QuotedFieldsBlankLinesAndShortRowsAreRead) {
  const RecipientsReading reading = ParseRecipients(
      "\xEF\xBB\xBFName, Company ,Note\r\n\"Doe, Jane\",\"Say \"\"hi\"\"\",\"two\nlines\"\n\nBob,Bobs\n", "list.csv");
  ASSERT_TRUE(reading.list) << reading.problem.toStdString();
  EXPECT_EQ(reading.list->columns, QStringList({"Name", "Company", "Note"}));
  ASSERT_EQ(reading.list->recipients.size(), 2u);
  const Recipient& jane = reading.list->recipients[0];
  EXPECT_EQ(jane.name, "Doe, Jane");
  EXPECT_EQ(U8(jane.tokens.at(u"recipient")), "Doe, Jane");
  EXPECT_EQ(U8(jane.tokens.at(u"recipient.Company")), "Say \"hi\"");
  EXPECT_EQ(U8(jane.tokens.at(u"recipient.Note")), "two\nlines");
  const Recipient& bob = reading.list->recipients[1];
  EXPECT_EQ(bob.line, 5);  // after a quoted line break and a blank line
  EXPECT_EQ(U8(bob.tokens.at(u"recipient.Note")), "");
  EXPECT_NE(ParseRecipients("Name\nA,B\n", "l").problem.indexOf("line 2 has 2 fields"), -1);
}

TEST(Recipients, NamesAreMadeFitForFiles) {
  struct Case {
    QString text;
    int maxBytes;
    QString safe;
  };
  const Case cases[] = {
      {"Jane Doe", 200, "Jane Doe"},
      {"../etc/passwd", 200, "_etc_passwd"},
      {"a\\b\tc\x01", 200, "a_b_c_"},
      {" .hidden", 200, "hidden"},
      {"...", 200, "_"},
      {QString::fromUtf8("Zoë Ünal"), 4, QString::fromUtf8("Zoë")},  // ë is two bytes
      {QString::fromUtf8("ab\xF0\x9F\x98\x80"), 5, "ab"},            // never half a character
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileNamePart(c.text, c.maxBytes), c.safe) << c.text.toStdString();
}

TEST(Recipients, TheRunsSizeIsTold) {
  EXPECT_EQ(OutputCountSummary(12, 40), QString::fromUtf8("12 files × 40 recipients = 480 outputs"));
  EXPECT_EQ(OutputCountSummary(1, 1), QString::fromUtf8("1 file × 1 recipient = 1 output"));
  EXPECT_EQ(OutputCountSummary(3, 0), "3 files");
}

}  // namespace
}  // namespace vidmora
