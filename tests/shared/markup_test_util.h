#pragma once

#include <string>

#include "shared/markup/markup_doc.h"
#include "shared/text/utf.h"

namespace vidmora::test {

inline std::string U8(std::u16string_view text) { return ToUtf8(text); }

// The element tree below the current parent as "name(data)[children]" text,
// found by navigation alone. Walking a document that was edited and the same
// text parsed afresh must give the same outline: that shows the index was
// kept in step with the text.
inline std::string Outline(MarkupDoc& doc) {
  std::string out;
  while (doc.FindElem()) {
    out += U8(doc.GetTagName());
    const std::u16string data = doc.GetData();
    if (!data.empty()) out += "(" + U8(data) + ")";
    doc.IntoElem();
    const std::string inner = Outline(doc);
    doc.OutOfElem();
    if (!inner.empty()) out += "[" + inner + "]";
    out += ";";
  }
  return out;
}

inline std::string OutlineOf(MarkupDoc& doc) {
  doc.ResetPos();
  std::string live = Outline(doc);
  doc.ResetPos();
  return live;
}

// Outline of the document and of its text parsed again; equal when the index
// matches the text.
inline std::pair<std::string, std::string> LiveAndReparsed(MarkupDoc& doc) {
  MarkupDoc fresh(doc.GetDoc());
  return {OutlineOf(doc), OutlineOf(fresh)};
}

}  // namespace vidmora::test
