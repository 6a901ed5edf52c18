#include "shared/markup/markup_result.h"

#include <string>

#include "shared/markup/markup_doc.h"
#include "shared/text/utf.h"

namespace vidmora {

ResultEvent::ResultEvent(std::u16string_view type) {
  text_ = u"<";
  text_ += type;
}

ResultEvent& ResultEvent::Attr(std::u16string_view name, std::u16string_view value) {
  text_ += u' ';
  text_ += name;
  text_ += u"=\"";
  text_ += MarkupDoc::Escape(value, true);
  text_ += u'"';
  return *this;
}

ResultEvent& ResultEvent::Attr(std::u16string_view name, int64_t value) {
  return Attr(name, FromUtf8(std::to_string(value)));
}

void ResultEvent::AppendTo(std::u16string& result, size_t cap) const {
  if (result.size() >= cap) return;
  result += text_;
  result += u"/>";
}

}  // namespace vidmora

namespace vidmora {

namespace {

bool IsParseEvent(std::u16string_view type) {
  return type == u"lone_end_tag" || type == u"unended_start_tag" || type == u"root_has_sibling" ||
         type == u"no_root_element" || type.ends_with(u"_syntax");
}

std::u16string ParseEventMessage(std::u16string_view type, const MarkupDoc& event) {
  const std::u16string offset = event.GetAttrib(u"offset");
  const auto syntax = [&](std::u16string_view expecting) {
    return u"tag syntax error at offset " + offset + u" expecting " + std::u16string(expecting);
  };
  if (type == u"root_has_sibling") return u"root element has sibling";
  if (type == u"no_root_element") return u"no root element";
  if (type == u"lone_end_tag") return u"lone end tag '" + event.GetAttrib(u"tagname") + u"' at offset " + offset;
  if (type == u"unended_start_tag") {
    return u"start tag '" + event.GetAttrib(u"tagname") + u"' at offset " + offset + u" expecting end tag at offset " +
           event.GetAttrib(u"offset2");
  }
  if (type == u"first_tag_syntax") return syntax(u"tag name / ! or ?");
  if (type == u"exclamation_tag_syntax") return syntax(u"'DOCTYPE' [ or -");
  if (type == u"doctype_tag_syntax") return syntax(u"markup declaration");
  if (type == u"comment_tag_syntax") return syntax(u"- to begin comment");
  if (type == u"cdata_section_syntax") return syntax(u"'CDATA'");
  if (type == u"unterminated_tag_syntax") return u"unterminated tag at offset " + offset;
  return {};
}

std::u16string FileEventMessage(std::u16string_view type, const MarkupDoc& event) {
  if (type == u"file_error") return event.GetAttrib(u"msg");
  if (type == u"bom") return u"BOM +";
  if (type == u"read" || type == u"write" || type == u"converted_from" || type == u"converted_to") {
    std::u16string message = type == u"converted_to" ? u"to " : u"";
    const std::u16string encoding = event.GetAttrib(u"encoding");
    if (!encoding.empty()) message += encoding + u" ";
    message += u"length " + event.GetAttrib(u"length");
    if (type == u"converted_from") message += u" to";
    return message;
  }
  if (type == u"nulls_removed") return u"removed " + event.GetAttrib(u"count") + u" nulls";
  if (type == u"conversion_loss") return u"(chars lost in conversion!)";
  if (type == u"utf8_detection") return u"(used UTF-8 detection)";
  if (type == u"endian_swap") return u"endian swap";
  if (type == u"truncation_error") return u"encoding " + event.GetAttrib(u"encoding") + u" adjustment error";
  return {};
}

}  // namespace

std::u16string MarkupDoc::ResultMessage(std::u16string_view result) {
  MarkupDoc events(result);
  std::u16string message;
  bool parseEventSeen = false;
  while (events.FindElem()) {
    const std::u16string type = events.GetTagName();
    std::u16string part;
    if (IsParseEvent(type)) {
      if (parseEventSeen) continue;
      parseEventSeen = true;
      part = ParseEventMessage(type, events);
    } else {
      part = FileEventMessage(type, events);
    }
    if (part.empty()) continue;
    if (!message.empty()) message += u' ';
    message += part;
  }
  return message;
}

}  // namespace vidmora
