// Building, navigating and editing MarkupDoc documents in memory.

#include <gtest/gtest.h>

#include "shared/markup/markup_doc.h"
#include "tests/shared/markup_test_util.h"

namespace vidmora {
namespace {

using test::LiveAndReparsed;
using test::U8;

constexpr std::u16string_view kDeclaration = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

TEST(MarkupDocBuild, ParentWithTwoChildrenIsFiveCrLfLines) {
  MarkupDoc doc;
  doc.SetDoc(kDeclaration);
  ASSERT_TRUE(doc.AddElem(u"Layers"));
  ASSERT_TRUE(doc.IntoElem());
  ASSERT_TRUE(doc.AddElem(u"layer", u"Holiday_Layer 1"));
  ASSERT_TRUE(doc.AddElem(u"layer", u"Second"));
  ASSERT_TRUE(doc.OutOfElem());
  EXPECT_EQ(U8(doc.GetDoc()),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<Layers>\r\n"
            "<layer>Holiday_Layer 1</layer>\r\n"
            "<layer>Second</layer>\r\n"
            "</Layers>\r\n");
  EXPECT_EQ(doc.GetTagName(), u"Layers");
  const auto [live, reparsed] = LiveAndReparsed(doc);
  EXPECT_EQ(live, "Layers[layer(Holiday_Layer 1);layer(Second);];");
  EXPECT_EQ(live, reparsed);
}

TEST(MarkupDocBuild, EmptyElementTurnsIntoStartAndEndTagWhenItGetsAChild) {
  MarkupDoc doc;
  doc.SetDoc(kDeclaration);
  doc.AddElem(u"a");
  EXPECT_EQ(U8(doc.GetDoc()).substr(kDeclaration.size()), "<a/>\r\n");
  doc.IntoElem();
  doc.AddElem(u"b", u"1");
  EXPECT_EQ(U8(doc.GetDoc()).substr(kDeclaration.size()), "<a>\r\n<b>1</b>\r\n</a>\r\n");
  // A parent with start and end tag and nothing between gets a line break first.
  MarkupDoc paired(u"<a></a>");
  paired.FindElem();
  paired.IntoElem();
  paired.AddElem(u"b");
  EXPECT_EQ(U8(paired.GetDoc()), "<a>\r\n<b/>\r\n</a>");
  // A start tag written alone gets its end tag after its first child.
  MarkupDoc open;
  open.AddElem(u"p", u"", MarkupDoc::kAddNoEnd);
  open.IntoElem();
  open.AddElem(u"c", u"x");
  EXPECT_EQ(U8(open.GetDoc()), "<p>\r\n<c>x</c>\r\n</p>\r\n");
  for (MarkupDoc* d : {&doc, &paired, &open}) {
    const auto [live, reparsed] = LiveAndReparsed(*d);
    EXPECT_EQ(live, reparsed);
  }
}

TEST(MarkupDocBuild, AddElemOptions) {
  struct Case {
    int flags;
    std::u16string_view text;
    std::string expected;
  };
  const Case cases[] = {
      {0, u"", "<e/>\r\n"},
      {MarkupDoc::kAddSpaceBeforeSlash, u"", "<e />\r\n"},
      {MarkupDoc::kAddNoLineBreak, u"t", "<e>t</e>"},
      {MarkupDoc::kAddCdata, u"a]]>b<", "<e><![CDATA[a]]]]><![CDATA[>b<]]></e>\r\n"},
      {MarkupDoc::kAddNoEnd, u"ignored", "<e>\r\n"},
  };
  for (const Case& c : cases) {
    MarkupDoc doc;
    ASSERT_TRUE(doc.AddElem(u"e", c.text, c.flags));
    EXPECT_EQ(U8(doc.GetDoc()), c.expected) << c.flags;
    if (c.flags == MarkupDoc::kAddCdata) {
      EXPECT_EQ(doc.GetData(), c.text);
    }
  }
  MarkupDoc number;
  number.AddElem(u"n", -2147483647 - 1);
  EXPECT_EQ(U8(number.GetDoc()), "<n>-2147483648</n>\r\n");
}

TEST(MarkupDocBuild, AddsAfterMainOrAsChild) {
  MarkupDoc doc(u"<r>\r\n<a/>\r\n<c/>\r\n</r>");
  doc.FindElem();
  doc.IntoElem();
  doc.FindElem(u"a");
  doc.AddElem(u"b");  // between a and c
  EXPECT_EQ(U8(doc.GetDoc()), "<r>\r\n<a/>\r\n<b/>\r\n<c/>\r\n</r>");
  EXPECT_EQ(doc.GetTagName(), u"b");
  doc.AddElem(u"x", u"1", MarkupDoc::kAddChild);  // inside b, child position
  doc.AddElem(u"y", u"2", MarkupDoc::kAddChild);  // after x
  EXPECT_EQ(doc.GetTagName(), u"b");
  const auto [live, reparsed] = LiveAndReparsed(doc);
  EXPECT_EQ(live, "r[a;b[x(1);y(2);];c;];");
  EXPECT_EQ(live, reparsed);
  MarkupDoc none;
  EXPECT_FALSE(none.AddElem(u"z", u"", MarkupDoc::kAddChild));
  EXPECT_FALSE(none.AddElem(u""));
  EXPECT_FALSE(none.AddElem(u"a b"));
  EXPECT_TRUE(none.GetDoc().empty());
}

TEST(MarkupDocNavigate, FindElemSearchesForwardAndStaysOnFailure) {
  MarkupDoc doc(u"<r><a>1</a><b>2</b><c>3</c></r>");
  EXPECT_TRUE(doc.IsWellFormed());
  ASSERT_TRUE(doc.FindElem(u"r"));
  ASSERT_TRUE(doc.IntoElem());
  ASSERT_TRUE(doc.FindElem(u"b"));
  EXPECT_FALSE(doc.FindElem(u"a"));  // stands before b
  EXPECT_EQ(doc.GetData(), u"2");
  EXPECT_TRUE(doc.FindElem(u"c"));
  EXPECT_EQ(doc.GetData(), u"3");
  EXPECT_FALSE(doc.FindElem());
  EXPECT_TRUE(doc.OutOfElem());
  EXPECT_EQ(doc.GetTagName(), u"r");
  EXPECT_FALSE(doc.OutOfElem());
  EXPECT_EQ(doc.GetTagName(), u"r");
  // Back into r, the child position (c) becomes main again.
  EXPECT_TRUE(doc.IntoElem());
  EXPECT_EQ(doc.GetTagName(), u"c");
}

TEST(MarkupDocNavigate, NamesCompareWithCaseUnlessTheFlagSaysOtherwise) {
  MarkupDoc doc(u"<Root><Item/></Root>");
  EXPECT_FALSE(doc.FindElem(u"root"));
  doc.SetDocFlags(MarkupDoc::kDocIgnoreCase);
  EXPECT_TRUE(doc.SetDoc(u"<Root><Item/></ROOT>"));
  EXPECT_TRUE(doc.FindElem(u"root"));
  doc.IntoElem();
  EXPECT_TRUE(doc.FindElem(u"ITEM"));
}

TEST(MarkupDocNavigate, OperationsWithoutMainElementFailAndChangeNothing) {
  MarkupDoc doc(u"<r/>");
  const std::u16string before = doc.GetDoc();
  EXPECT_FALSE(doc.IntoElem());
  EXPECT_EQ(doc.GetData(), u"");
  EXPECT_FALSE(doc.SetData(u"x"));
  EXPECT_FALSE(doc.RemoveElem());
  EXPECT_FALSE(doc.SetAttrib(u"a", u"1"));
  EXPECT_EQ(doc.GetAttrib(u"a"), u"");
  EXPECT_EQ(doc.GetDoc(), before);
}

TEST(MarkupDocData, GetDataJoinsUnescapedTextAndCdata) {
  MarkupDoc doc(u"<e>x &amp; y<![CDATA[ <z> ]]></e>");
  doc.FindElem();
  EXPECT_EQ(doc.GetData(), u"x & y <z> ");
  MarkupDoc withChild(u"<e>text<c/></e>");
  withChild.FindElem();
  EXPECT_EQ(withChild.GetData(), u"");
  EXPECT_FALSE(withChild.SetData(u"x"));
  MarkupDoc skips(u"<e>a<!-- c -->b<?pi?>c</e>");
  skips.FindElem();
  EXPECT_EQ(skips.GetData(), u"abc");
}

TEST(MarkupDocData, UnescapeCases) {
  struct Case {
    std::u16string_view in;
    std::u16string_view out;
  };
  const Case cases[] = {
      {u"&lt;&gt;&amp;&quot;&apos;", u"<>&\"'"},
      {u"&#65;&#x42;&#X43;", u"ABC"},
      {u"&#x1F600;", u"\U0001F600"},
      {u"&Agrave;&agrave;", u"\u00C0\u00E0"},
      {u"&AMP;&Lt;", u"&<"},  // no exact match: the name read without case
      {u"&euro;&hearts;&thetasym;", u"\u20AC\u2665\u03D1"},
      {u"&nosuch; &#0; &#x110000; &#12a;", u"&nosuch; &#0; &#x110000; &#12a;"},
      {u"& amp; &amp", u"& amp; &amp"},
      {u"&abcdefghij;", u"&abcdefghij;"},  // ";" too far away
      {u"a&&amp;b", u"a&&b"},
  };
  for (const Case& c : cases) EXPECT_EQ(MarkupDoc::Unescape(c.in), c.out) << U8(c.in);
}

TEST(MarkupDocData, EscapedTextRoundTrips) {
  const std::u16string tricky = u"Tom & Jerry <b>\"quoted\" 'x'</b> ]]> &amp; \u00E9\U0001F600";
  MarkupDoc doc;
  doc.AddElem(u"t", tricky);
  EXPECT_EQ(U8(doc.GetDoc()),
            U8(u"<t>Tom &amp; Jerry &lt;b&gt;\"quoted\" 'x'&lt;/b&gt; ]]&gt; &amp;amp; \u00E9\U0001F600</t>\r\n"));
  EXPECT_EQ(doc.GetData(), tricky);
  MarkupDoc reread(doc.GetDoc());
  reread.FindElem();
  EXPECT_EQ(reread.GetData(), tricky);
  ASSERT_TRUE(reread.SetData(tricky + u"2"));
  EXPECT_EQ(reread.GetData(), tricky + u"2");
  ASSERT_TRUE(reread.SetData(tricky, MarkupDoc::kDataCdata));
  EXPECT_EQ(reread.GetData(), tricky);
}

TEST(MarkupDocData, SetDataRewritesInPlaceAndShiftsWhatFollows) {
  MarkupDoc doc(u"<r>\r\n<a>1</a>\r\n<b/>\r\n<c>3</c>\r\n</r>\r\n");
  doc.FindElem();
  doc.IntoElem();
  doc.FindElem(u"a");
  ASSERT_TRUE(doc.SetData(u"longer value"));
  doc.FindElem(u"b");
  ASSERT_TRUE(doc.SetData(12));
  doc.FindElem(u"c");
  ASSERT_TRUE(doc.SetData(u""));
  EXPECT_EQ(U8(doc.GetDoc()), "<r>\r\n<a>longer value</a>\r\n<b>12</b>\r\n<c></c>\r\n</r>\r\n");
  const auto [live, reparsed] = LiveAndReparsed(doc);
  EXPECT_EQ(live, "r[a(longer value);b(12);c;];");
  EXPECT_EQ(live, reparsed);
}

TEST(MarkupDocEdit, RemoveElemTakesTrailingSpaceAndSelectsPreviousSibling) {
  MarkupDoc doc(u"<r>\r\n<a/>\r\n<b><x/><y/></b>\r\n<c/>\r\n</r>");
  doc.FindElem();
  doc.IntoElem();
  doc.FindElem(u"b");
  ASSERT_TRUE(doc.RemoveElem());
  EXPECT_EQ(doc.GetTagName(), u"a");
  EXPECT_EQ(U8(doc.GetDoc()), "<r>\r\n<a/>\r\n<c/>\r\n</r>");
  ASSERT_TRUE(doc.RemoveElem());  // a: no previous sibling
  EXPECT_EQ(doc.GetTagName(), u"");
  EXPECT_TRUE(doc.FindElem());
  EXPECT_EQ(doc.GetTagName(), u"c");
  // Freed records are reused by later additions.
  doc.AddElem(u"d", u"4");
  doc.AddElem(u"e", u"5");
  const auto [live, reparsed] = LiveAndReparsed(doc);
  EXPECT_EQ(live, "r[c;d(4);e(5);];");
  EXPECT_EQ(live, reparsed);
}

TEST(MarkupDocEdit, AttributesRoundTripAndShiftTheContent) {
  MarkupDoc doc(u"<r><e a='1' b=2 c>t<k/></e><f/></r>");
  doc.FindElem();
  doc.IntoElem();
  doc.FindElem(u"e");
  EXPECT_EQ(doc.GetAttrib(u"a"), u"1");
  EXPECT_EQ(doc.GetAttrib(u"b"), u"2");
  EXPECT_EQ(doc.GetAttrib(u"c"), u"");
  EXPECT_EQ(doc.GetAttrib(u"z"), u"");
  ASSERT_TRUE(doc.SetAttrib(u"a", u"x\"y'<&>"));
  ASSERT_TRUE(doc.SetAttrib(u"b", 42));
  ASSERT_TRUE(doc.SetAttrib(u"new", u"v"));
  EXPECT_EQ(U8(doc.GetDoc()),
            "<r><e a='x&quot;y&apos;&lt;&amp;&gt;' b=\"42\" c new=\"v\">t<k/></e><f/></r>");
  EXPECT_EQ(doc.GetAttrib(u"a"), u"x\"y'<&>");
  MarkupDoc empty(u"<e />");
  empty.FindElem();
  empty.SetAttrib(u"n", u"1");
  EXPECT_EQ(U8(empty.GetDoc()), "<e n=\"1\" />");
  // An unquoted last value does not take the "/" of an empty-element tag.
  MarkupDoc unquoted(u"<e x=v/>");
  unquoted.FindElem();
  unquoted.SetAttrib(u"z", 1);
  EXPECT_EQ(U8(unquoted.GetDoc()), "<e x=v z=\"1\"/>");
  EXPECT_EQ(unquoted.GetAttrib(u"x"), u"v");
  // A quote inside an unquoted value or a name hides a ">" up to its match, as
  // it does when the tag's end is found: replacing the value keeps the tag whole.
  MarkupDoc quoteInside(u"<r z=a\"b>c\"d x\"y>\"=2><e/></r>");
  quoteInside.FindElem();
  EXPECT_EQ(quoteInside.GetAttrib(u"z"), u"a\"b>c\"d");
  ASSERT_TRUE(quoteInside.SetAttrib(u"z", 1));
  ASSERT_TRUE(quoteInside.SetAttrib(u"w", 3));
  EXPECT_EQ(U8(quoteInside.GetDoc()), "<r z=\"1\" x\"y>\"=2 w=\"3\"><e/></r>");
  const auto [quoteLive, quoteReparsed] = LiveAndReparsed(quoteInside);
  EXPECT_EQ(quoteLive, "r[e;];");
  EXPECT_EQ(quoteLive, quoteReparsed);
  // An empty-element tag written with several slashes loses them all when
  // it gets content, so that it does not read as empty again.
  MarkupDoc slashes(u"<e //>");
  slashes.FindElem();
  slashes.AddElem(u"c", u"", MarkupDoc::kAddChild | MarkupDoc::kAddNoLineBreak);
  EXPECT_EQ(U8(slashes.GetDoc()), "<e ><c/></e>");
  MarkupDoc slashData(u"<e//>");
  slashData.FindElem();
  slashData.SetData(u"d");
  EXPECT_EQ(U8(slashData.GetDoc()), "<e>d</e>");
  const auto [live, reparsed] = LiveAndReparsed(doc);
  EXPECT_EQ(live, "r[e[k;];f;];");
  EXPECT_EQ(live, reparsed);
  doc.ResetPos();
  doc.FindElem();
  doc.IntoElem();
  doc.FindElem(u"e");
  doc.IntoElem();
  EXPECT_TRUE(doc.FindElem(u"k"));
}

TEST(MarkupDocEdit, ManyEditsKeepIndexAndTextInStep) {
  // Grows past one index segment so that records span several segments.
  MarkupDoc doc(u"<root/>");
  doc.FindElem();
  doc.IntoElem();
  for (int i = 0; i < 70000; ++i) doc.AddElem(u"i", i);
  doc.OutOfElem();
  doc.ResetPos();
  doc.FindElem();
  doc.IntoElem();
  int count = 0;
  int last = -1;
  while (doc.FindElem(u"i")) {
    ++count;
    last = std::stoi(U8(doc.GetData()));
  }
  EXPECT_EQ(count, 70000);
  EXPECT_EQ(last, 69999);
  MarkupDoc reparsed(doc.GetDoc());
  EXPECT_TRUE(reparsed.IsWellFormed());
}

}  // namespace
}  // namespace vidmora
