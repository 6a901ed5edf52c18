// The forgiving parser: structure of ill-formed texts, parse events and
// their messages, the result cap, very deep documents.

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "shared/markup/markup_doc.h"
#include "shared/markup/named_references.h"
#include "tests/shared/markup_test_util.h"

namespace vidmora {
namespace {

using test::OutlineOf;
using test::U8;

TEST(MarkupParse, EveryParseEventWithItsMessage) {
  struct Case {
    std::u16string_view text;
    std::string result;
    std::string message;
  };
  const Case cases[] = {
      {u"<a>x</b>y</a>", "<lone_end_tag tagname=\"b\" offset=\"4\"/>", "lone end tag 'b' at offset 4"},
      {u"<a><b></a>", "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"6\"/>",
       "start tag 'b' at offset 3 expecting end tag at offset 6"},
      {u"<a/><b/>", "<root_has_sibling/>", "root element has sibling"},
      {u"just text", "<no_root_element/>", "no root element"},
      {u"<a>1 < 2</a>", "<first_tag_syntax offset=\"5\"/>", "tag syntax error at offset 5 expecting tag name / ! or ?"},
      {u"<a><!x></a>", "<exclamation_tag_syntax offset=\"3\"/>",
       "tag syntax error at offset 3 expecting 'DOCTYPE' [ or -"},
      {u"<!DOCTYPE a [ x ]><a/>", "<doctype_tag_syntax offset=\"14\"/>",
       "tag syntax error at offset 14 expecting markup declaration"},
      {u"<a><!-x></a>", "<comment_tag_syntax offset=\"3\"/>", "tag syntax error at offset 3 expecting - to begin comment"},
      {u"<a><![CDAT[x]]></a>", "<cdata_section_syntax offset=\"3\"/>",
       "tag syntax error at offset 3 expecting 'CDATA'"},
      {u"<a/><", "<unterminated_tag_syntax type=\"tag\" offset=\"4\"/>", "unterminated tag at offset 4"},
      {u"<a/><b x='>", "<unterminated_tag_syntax type=\"start_tag\" offset=\"4\"/>", "unterminated tag at offset 4"},
      {u"<a></a", "<unterminated_tag_syntax type=\"end_tag\" offset=\"3\"/>", "unterminated tag at offset 3"},
      {u"<a/><?pi", "<unterminated_tag_syntax type=\"processing_instruction\" offset=\"4\"/>",
       "unterminated tag at offset 4"},
      {u"<a/><!-- c", "<unterminated_tag_syntax type=\"comment\" offset=\"4\"/>", "unterminated tag at offset 4"},
      {u"<a><![CDATA[x</a>", "<unterminated_tag_syntax type=\"cdata_section\" offset=\"3\"/>",
       "unterminated tag at offset 3"},
      {u"<!DOCTYPE a [<!ENTITY e 'v'>", "<unterminated_tag_syntax type=\"document_type\" offset=\"0\"/>",
       "unterminated tag at offset 0"},
  };
  for (const Case& c : cases) {
    MarkupDoc doc;
    EXPECT_FALSE(doc.SetDoc(c.text)) << U8(c.text);
    EXPECT_EQ(U8(doc.GetResult()).substr(0, c.result.size()), c.result) << U8(c.text);
    EXPECT_EQ(U8(MarkupDoc::ResultMessage(doc.GetResult())), c.message) << U8(c.text);
  }
}

TEST(MarkupParse, WellFormedTextsRecordNothing) {
  const std::u16string_view texts[] = {
      u"<?xml version=\"1.0\"?>\r\n<!-- c --><!DOCTYPE r [ <!ELEMENT r ANY> %pe; <?pi?> <!-- x --> ]>\r\n"
      u"<r a=\"1 > 0\" b='<'><![CDATA[<not a tag>]]><x/>text</r>\r\n<!-- after -->",
      u"<r/>",
  };
  for (std::u16string_view text : texts) {
    MarkupDoc doc;
    EXPECT_TRUE(doc.SetDoc(text)) << U8(doc.GetResult());
    EXPECT_EQ(doc.GetResult(), u"");
  }
}

TEST(MarkupParse, LoneEndTagIsSkippedAndNeighboursAreFound) {
  MarkupDoc doc(u"<r><a>1</a></b><c>3</c></r>");
  EXPECT_FALSE(doc.IsWellFormed());
  EXPECT_EQ(OutlineOf(doc), "r[a(1);c(3);];");
}

TEST(MarkupParse, UnendedStartTagKeepsOnlyItsTagAndItsChildrenMoveUp) {
  MarkupDoc doc(u"<a><b><c>1</c><d/></a>");
  EXPECT_EQ(OutlineOf(doc), "a[b;c(1);d;];");
  doc.FindElem(u"a");
  doc.IntoElem();
  doc.FindElem(u"b");
  EXPECT_EQ(doc.GetData(), u"");
  EXPECT_FALSE(doc.SetData(u"x"));
  // Elements left open at the end of the text are unended as well.
  MarkupDoc open(u"<a><b><c/>");
  EXPECT_EQ(U8(open.GetResult()),
            "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"10\"/>"
            "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"10\"/>"
            "<root_has_sibling/>");
  EXPECT_EQ(OutlineOf(open), "a;b;c;");
  // An unended element can still be given children; it then gets its end tag.
  open.FindElem(u"a");
  open.FindElem(u"b");
  open.IntoElem();
  open.AddElem(u"n", u"1");
  EXPECT_EQ(U8(open.GetDoc()), "<a><b>\r\n<n>1</n>\r\n</b><c/>");
}

TEST(MarkupParse, ResultTextStopsGrowingAtTheCap) {
  std::u16string text = u"<r>";
  for (int i = 0; i < 500; ++i) text += u"</x>";
  text += u"</r>";
  MarkupDoc doc;
  EXPECT_FALSE(doc.SetDoc(text));
  EXPECT_GE(doc.GetResult().size(), MarkupDoc::kResultCap);
  EXPECT_LT(doc.GetResult().size(), MarkupDoc::kResultCap + 60);
  EXPECT_TRUE(doc.FindElem(u"r"));
  // Only the first parse event makes the message.
  EXPECT_EQ(U8(MarkupDoc::ResultMessage(doc.GetResult())), "lone end tag 'x' at offset 3");
}

TEST(MarkupParse, HundredThousandLevelsDeep) {
  constexpr int kDepth = 100000;
  std::u16string text;
  text.reserve(static_cast<size_t>(kDepth) * 8);
  for (int i = 0; i < kDepth; ++i) text += u"<e>";
  text += u"deep";
  for (int i = 0; i < kDepth; ++i) text += u"</e>";
  {
    MarkupDoc doc;
    ASSERT_TRUE(doc.SetDoc(text));
    int depth = 0;
    while (doc.FindElem(u"e")) {
      ++depth;
      doc.IntoElem();
    }
    EXPECT_EQ(depth, kDepth);
    doc.OutOfElem();
    EXPECT_EQ(doc.GetData(), u"deep");
    EXPECT_TRUE(doc.SetData(u"changed"));
    while (doc.OutOfElem()) {
    }
    EXPECT_EQ(doc.GetTagName(), u"e");
    EXPECT_TRUE(doc.RemoveElem());
    EXPECT_EQ(doc.GetDoc(), u"");
  }
  // The same depth never closed: every element is unended, each child is
  // moved up once, and the parse stays linear.
  MarkupDoc open(std::u16string_view(text).substr(0, static_cast<size_t>(kDepth) * 3));
  EXPECT_FALSE(open.IsWellFormed());
  int count = 0;
  while (open.FindElem()) ++count;
  EXPECT_EQ(count, kDepth);
  // Many end tags that close nothing below a deep stack stay linear too.
  std::u16string lone = text.substr(0, static_cast<size_t>(kDepth) * 3);
  for (int i = 0; i < kDepth; ++i) lone += u"</x>";
  MarkupDoc loneDoc(lone);
  EXPECT_FALSE(loneDoc.IsWellFormed());
}

TEST(MarkupParse, TwoDocumentsOnTwoThreads) {
  const auto work = [](char16_t tag, std::string* outline) {
    std::u16string text = u"<r>";
    for (int i = 0; i < 2000; ++i) text += std::u16string(u"<") + tag + u">" + u"&amp;</" + tag + u">";
    text += u"</r>";
    MarkupDoc doc(text);
    doc.FindElem();
    doc.IntoElem();
    for (int i = 0; i < 100; ++i) doc.AddElem(std::u16string(1, tag), i);
    *outline = std::to_string(doc.GetDoc().size()) + (doc.IsWellFormed() ? "ok" : "bad");
  };
  std::string a;
  std::string b;
  std::thread ta(work, u'a', &a);
  std::thread tb(work, u'b', &b);
  ta.join();
  tb.join();
  EXPECT_EQ(a, b);
  EXPECT_NE(a.find("ok"), std::string::npos);
}

TEST(MarkupParse, NamedReferenceTableHoldsTheHtmlEntitiesAndApos) {
  EXPECT_EQ(NamedReferenceCount(), 253);
  EXPECT_EQ(LookUpNamedReference(u"nbsp"), 160u);
  EXPECT_EQ(LookUpNamedReference(u"yuml"), 255u);
  EXPECT_EQ(LookUpNamedReference(u"Yuml"), 376u);
  EXPECT_EQ(LookUpNamedReference(u"diams"), 9830u);
  EXPECT_EQ(LookUpNamedReference(u"Sigma"), 931u);
  EXPECT_EQ(LookUpNamedReference(u"sigma"), 963u);
  EXPECT_EQ(LookUpNamedReference(u"apos"), 39u);
  EXPECT_EQ(LookUpNamedReference(u"bogus"), 0u);
}

}  // namespace
}  // namespace vidmora
