#include "shared/markup/markup_doc.h"

#include <limits>
#include <string>

#include "shared/markup/markup_text.h"
#include "shared/markup/markup_result.h"
#include "shared/text/utf.h"

namespace vidmora {

namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";
constexpr size_t kMaxText = static_cast<size_t>(std::numeric_limits<int32_t>::max());

std::u16string Number(int value) { return FromUtf8(std::to_string(value)); }

// A name that can be written as an element or attribute name and read back.
bool IsWritableName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name) {
    if (IsMarkupSpace(c) || c == u'<' || c == u'>' || c == u'/' || c == u'&' || c == u'=' || c == u'"' ||
        c == u'\'' || c == u'!' || c == u'?') {
      return false;
    }
  }
  return true;
}

std::u16string CdataSection(std::u16string_view text) {
  std::u16string out = u"<![CDATA[";
  size_t from = 0;
  for (size_t at = text.find(u"]]>"); at != std::u16string_view::npos; at = text.find(u"]]>", from)) {
    out += text.substr(from, at - from);
    out += u"]]]]><![CDATA[>";
    from = at + 3;
  }
  out += text.substr(from);
  out += u"]]>";
  return out;
}

}  // namespace

MarkupDoc::MarkupDoc() { ResetIndex(0); }

MarkupDoc::MarkupDoc(std::u16string_view text) : MarkupDoc() { SetDoc(text); }

bool MarkupDoc::SetDoc() { return SetDoc(std::u16string_view{}); }

bool MarkupDoc::SetDoc(std::u16string_view text) {
  result_.clear();
  if (text.size() > kMaxText) {
    text_.clear();
    ResetIndex(0);
    ResultEvent(u"file_error").Attr(u"msg", u"document too large").AppendTo(result_, kResultCap);
    return false;
  }
  text_.assign(text);
  return Parse();
}

bool MarkupDoc::IsWellFormed() const {
  const ElemPos& doc = Rec(0);
  return doc.firstChild != 0 && !(doc.flags & kElemIllFormed) && Rec(doc.firstChild).next == 0;
}

void MarkupDoc::AddResult(std::u16string_view event) {
  if (result_.size() < kResultCap) result_ += event;
}

// ---------------------------------------------------------------------------
// Index records

void MarkupDoc::ResetIndex(size_t textLength) {
  segments_.clear();
  size_t count = textLength / 64 + 8;
  while (count > 0) {
    const size_t size = count < static_cast<size_t>(kSegmentSize) ? count : static_cast<size_t>(kSegmentSize);
    segments_.emplace_back(size);
    count -= size;
  }
  freeCounter_ = 1;
  deletedHead_ = 0;
  parent_ = main_ = child_ = 0;
  Rec(0) = ElemPos{};
  Rec(0).length = static_cast<int32_t>(textLength);
}

int32_t MarkupDoc::NewRecord() {
  int32_t elem = 0;
  if (deletedHead_ != 0) {
    elem = deletedHead_;
    deletedHead_ = Rec(elem).next;
  } else {
    elem = freeCounter_++;
    const size_t segment = static_cast<size_t>(elem) >> kSegmentBits;
    const size_t slot = static_cast<size_t>(elem & (kSegmentSize - 1));
    if (segment >= segments_.size()) segments_.emplace_back();
    std::vector<ElemPos>& records = segments_[segment];
    if (slot >= records.size()) {
      size_t grown = records.size() * 2;
      if (grown < slot + 1) grown = slot + 1;
      if (grown < 64) grown = 64;
      if (grown > static_cast<size_t>(kSegmentSize)) grown = kSegmentSize;
      records.resize(grown);
    }
  }
  Rec(elem) = ElemPos{};
  return elem;
}

void MarkupDoc::FreeSubtree(int32_t elem) {
  std::vector<int32_t> freed{elem};
  for (size_t k = 0; k < freed.size(); ++k) {
    for (int32_t c = Rec(freed[k]).firstChild; c != 0; c = Rec(c).next) freed.push_back(c);
  }
  for (int32_t i : freed) {
    Rec(i) = ElemPos{};
    Rec(i).next = deletedHead_;
    deletedHead_ = i;
  }
}

int32_t MarkupDoc::StartTagLength(int32_t elem) const {
  const ElemPos& r = Rec(elem);
  const uint32_t packed = r.tagLengths & kStartTagMax;
  if (packed < kStartTagMax) return static_cast<int32_t>(packed);
  // Too long for its field: find the tag's ">" again, outside quotes.
  char16_t quote = 0;
  for (size_t i = static_cast<size_t>(r.start) + 1; i < text_.size(); ++i) {
    const char16_t c = text_[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'>') {
      return static_cast<int32_t>(i + 1 - static_cast<size_t>(r.start));
    }
  }
  return r.length;
}

int32_t MarkupDoc::EndTagLength(int32_t elem) const {
  const ElemPos& r = Rec(elem);
  const uint32_t packed = r.tagLengths >> 22;
  if (packed < kEndTagMax) return static_cast<int32_t>(packed);
  // Too long for its field: the end tag is the last "<" of the element.
  const size_t end = static_cast<size_t>(r.start) + static_cast<size_t>(r.length);
  const size_t lt = std::u16string_view(text_).substr(0, end).rfind(u'<');
  return lt == std::u16string_view::npos ? 0 : static_cast<int32_t>(end - lt);
}

void MarkupDoc::SetTagLengths(int32_t elem, int32_t startTagLength, int32_t endTagLength) {
  const auto startPart = static_cast<uint32_t>(startTagLength) < kStartTagMax
                             ? static_cast<uint32_t>(startTagLength)
                             : kStartTagMax;
  const auto endPart =
      static_cast<uint32_t>(endTagLength) < kEndTagMax ? static_cast<uint32_t>(endTagLength) : kEndTagMax;
  Rec(elem).tagLengths = startPart | (endPart << 22);
}

size_t MarkupDoc::EmptyTagSlashes(int32_t elem) const {
  // Every "/" before the ">" goes, or the tag would still read as empty.
  const size_t nameEnd = static_cast<size_t>(Rec(elem).start) + 1 + NameOf(elem).size();
  size_t at = static_cast<size_t>(Rec(elem).start) + static_cast<size_t>(StartTagLength(elem)) - 1;
  size_t slashes = 0;
  while (at > nameEnd && text_[at - 1] == u'/') {
    --at;
    ++slashes;
  }
  return slashes;
}

std::u16string_view MarkupDoc::NameOf(int32_t elem) const {
  const size_t begin = static_cast<size_t>(Rec(elem).start) + 1;
  size_t end = begin;
  while (end < text_.size() && !IsNameEnd(text_[end])) ++end;
  return std::u16string_view(text_).substr(begin, end - begin);
}

bool MarkupDoc::NameEquals(std::u16string_view a, std::u16string_view b) const {
  return (docFlags_ & kDocIgnoreCase) ? EqualsIgnoreCase(a, b) : a == b;
}

int32_t MarkupDoc::LastChild(int32_t parent) const {
  int32_t last = Rec(parent).firstChild;
  if (last == 0) return 0;
  while (Rec(last).next != 0) last = Rec(last).next;
  return last;
}

void MarkupDoc::ShiftSubtree(int32_t root, int32_t delta, bool includeSelf) {
  if (includeSelf) Rec(root).start += delta;
  int32_t i = Rec(root).firstChild;
  while (i != 0) {
    Rec(i).start += delta;
    if (Rec(i).firstChild != 0) {
      i = Rec(i).firstChild;
      continue;
    }
    while (i != root && Rec(i).next == 0) i = Rec(i).parent;
    if (i == root) break;
    i = Rec(i).next;
  }
}

void MarkupDoc::ShiftAfter(int32_t elem, int32_t delta) {
  if (delta == 0) return;
  for (int32_t a = Rec(elem).parent;; a = Rec(a).parent) {
    Rec(a).length += delta;
    if (a == 0) break;
  }
  for (int32_t x = elem; x != 0; x = Rec(x).parent) {
    for (int32_t s = Rec(x).next; s != 0; s = Rec(s).next) ShiftSubtree(s, delta, true);
  }
}

// ---------------------------------------------------------------------------
// Navigation

void MarkupDoc::ResetPos() { parent_ = main_ = child_ = 0; }

bool MarkupDoc::FindElem(std::u16string_view name) {
  int32_t i = main_ != 0 ? Rec(main_).next : Rec(parent_).firstChild;
  for (; i != 0; i = Rec(i).next) {
    if (name.empty() || NameEquals(NameOf(i), name)) {
      main_ = i;
      child_ = 0;
      return true;
    }
  }
  return false;
}

bool MarkupDoc::IntoElem() {
  if (main_ == 0) return false;
  parent_ = main_;
  main_ = child_;
  child_ = 0;
  return true;
}

bool MarkupDoc::OutOfElem() {
  if (parent_ == 0) return false;
  child_ = main_;
  main_ = parent_;
  parent_ = Rec(parent_).parent;
  return true;
}

std::u16string MarkupDoc::GetTagName() const {
  if (main_ == 0) return {};
  return std::u16string(NameOf(main_));
}

// ---------------------------------------------------------------------------
// Data

std::u16string MarkupDoc::GetData() const {
  if (main_ == 0) return {};
  const ElemPos& r = Rec(main_);
  if (r.firstChild != 0 || (r.flags & kElemNoEnd)) return {};
  const int32_t endTag = EndTagLength(main_);
  if (endTag == 0) return {};
  const int32_t startTag = StartTagLength(main_);
  const int32_t contentStart = r.start + startTag;
  const int32_t contentLength = r.length - startTag - endTag;
  const std::u16string_view content =
      std::u16string_view(text_).substr(static_cast<size_t>(contentStart), static_cast<size_t>(contentLength));
  std::u16string out;
  size_t i = 0;
  while (i < content.size()) {
    const size_t lt = content.find(u'<', i);
    AppendUnescaped(out, content.substr(i, lt == std::u16string_view::npos ? std::u16string_view::npos : lt - i));
    if (lt == std::u16string_view::npos) break;
    const std::u16string_view rest = content.substr(lt);
    size_t skip = std::u16string_view::npos;
    if (rest.starts_with(u"<![CDATA[")) {
      const size_t end = rest.find(u"]]>", 9);
      out += rest.substr(9, end == std::u16string_view::npos ? std::u16string_view::npos : end - 9);
      skip = end == std::u16string_view::npos ? end : end + 3;
    } else if (rest.starts_with(u"<!--")) {
      const size_t end = rest.find(u"-->", 4);
      skip = end == std::u16string_view::npos ? end : end + 3;
    } else if (rest.starts_with(u"<?")) {
      const size_t end = rest.find(u"?>", 2);
      skip = end == std::u16string_view::npos ? end : end + 2;
    } else {
      // A stray tag that the parser ignored (a lone end tag).
      const size_t end = rest.find(u'>');
      skip = end == std::u16string_view::npos ? end : end + 1;
    }
    if (skip == std::u16string_view::npos) break;
    i = lt + skip;
  }
  return out;
}

bool MarkupDoc::SetData(int value) { return SetData(Number(value), 0); }

bool MarkupDoc::SetData(std::u16string_view text, int flags) {
  if (main_ == 0) return false;
  if (Rec(main_).firstChild != 0 || (Rec(main_).flags & kElemNoEnd)) return false;
  const std::u16string content = (flags & kDataCdata) ? CdataSection(text) : Escape(text);
  const int32_t startTag = StartTagLength(main_);
  const int32_t endTag = EndTagLength(main_);
  const size_t start = static_cast<size_t>(Rec(main_).start);
  size_t offset = 0;
  size_t removed = 0;
  std::u16string inserted;
  if (endTag == 0) {
    if (content.empty()) return true;  // an empty element already holds no data
    // "<name/>" becomes "<name>content</name>".
    const std::u16string_view name = NameOf(main_);
    const size_t slashes = EmptyTagSlashes(main_);
    offset = start + static_cast<size_t>(startTag) - 1 - slashes;
    removed = slashes + 1;
    inserted.reserve(content.size() + name.size() + 4);
    inserted += u'>';
    inserted += content;
    inserted += u"</";
    inserted += name;
    inserted += u'>';
    SetTagLengths(main_, startTag - static_cast<int32_t>(slashes), static_cast<int32_t>(name.size()) + 3);
  } else {
    offset = start + static_cast<size_t>(startTag);
    removed = static_cast<size_t>(Rec(main_).length - startTag - endTag);
    inserted = content;
  }
  if (text_.size() - removed + inserted.size() > kMaxText) return false;
  text_.replace(offset, removed, inserted);
  const auto delta = static_cast<int32_t>(inserted.size()) - static_cast<int32_t>(removed);
  Rec(main_).length += delta;
  ShiftAfter(main_, delta);
  return true;
}

// ---------------------------------------------------------------------------
// Adding and removing elements

bool MarkupDoc::AddElem(std::u16string_view name, int value, int flags) {
  return AddElemImpl(name, Number(value), flags);
}

bool MarkupDoc::AddElem(std::u16string_view name, std::u16string_view text, int flags) {
  return AddElemImpl(name, text, flags);
}

bool MarkupDoc::AddElemImpl(std::u16string_view name, std::u16string_view text, int flags) {
  if (!IsWritableName(name)) return false;
  const bool asChild = (flags & kAddChild) != 0;
  if (asChild && main_ == 0) return false;
  const int32_t parent = asChild ? main_ : parent_;
  int32_t after = asChild ? child_ : main_;
  if (after == 0) after = LastChild(parent);

  // The element's own text.
  std::u16string elem = u"<";
  elem += name;
  int32_t startTag = 0;
  int32_t endTag = 0;
  if (flags & kAddNoEnd) {
    elem += u'>';
    startTag = static_cast<int32_t>(elem.size());
  } else if (text.empty()) {
    elem += (flags & kAddSpaceBeforeSlash) ? u" />" : u"/>";
    startTag = static_cast<int32_t>(elem.size());
  } else {
    elem += u'>';
    startTag = static_cast<int32_t>(elem.size());
    elem += (flags & kAddCdata) ? CdataSection(text) : Escape(text);
    elem += u"</";
    elem += name;
    elem += u'>';
    endTag = static_cast<int32_t>(name.size()) + 3;
  }
  const std::u16string_view eol = (flags & kAddNoLineBreak) ? std::u16string_view{} : kLineEnd;

  size_t offset = 0;
  size_t removed = 0;
  size_t newStart = 0;
  std::u16string inserted;
  if (after != 0) {
    // After the previous sibling and the white space that follows it.
    offset = static_cast<size_t>(Rec(after).start) + static_cast<size_t>(Rec(after).length);
    size_t ws = offset;
    while (ws < text_.size() && IsMarkupSpace(text_[ws])) ++ws;
    if (ws == text_.size() || text_[ws] == u'<') offset = ws;
    newStart = offset;
    inserted = elem;
    inserted += eol;
  } else if (parent == 0) {
    offset = text_.size();
    newStart = offset;
    inserted = elem;
    inserted += eol;
  } else {
    const std::u16string parentName(NameOf(parent));
    const size_t parentStart = static_cast<size_t>(Rec(parent).start);
    const int32_t parentStartTag = StartTagLength(parent);
    const int32_t parentEndTag = EndTagLength(parent);
    const std::u16string closing = u"</" + parentName + u">";
    if (Rec(parent).flags & kElemNoEnd) {
      // A start tag without end tag gets its end tag after the new child.
      offset = parentStart + static_cast<size_t>(parentStartTag);
      inserted = std::u16string(eol) + elem + std::u16string(eol) + closing;
      newStart = offset + eol.size();
      Rec(parent).flags &= ~kElemNoEnd;
      SetTagLengths(parent, parentStartTag, static_cast<int32_t>(closing.size()));
    } else if (parentEndTag == 0) {
      // "<parent/>" becomes "<parent>", the child, "</parent>".
      const size_t slashes = EmptyTagSlashes(parent);
      offset = parentStart + static_cast<size_t>(parentStartTag) - 1 - slashes;
      removed = slashes + 1;
      inserted = u">" + std::u16string(eol) + elem + std::u16string(eol) + closing;
      newStart = offset + 1 + eol.size();
      SetTagLengths(parent, parentStartTag - static_cast<int32_t>(slashes), static_cast<int32_t>(closing.size()));
    } else {
      const size_t contentStart = parentStart + static_cast<size_t>(parentStartTag);
      const size_t endTagStart =
          parentStart + static_cast<size_t>(Rec(parent).length) - static_cast<size_t>(parentEndTag);
      if (contentStart == endTagStart) {
        offset = contentStart;
        inserted = std::u16string(eol) + elem + std::u16string(eol);
        newStart = offset + eol.size();
      } else {
        offset = endTagStart;
        inserted = elem + std::u16string(eol);
        newStart = offset;
      }
    }
  }
  if (text_.size() - removed + inserted.size() > kMaxText) return false;
  text_.replace(offset, removed, inserted);

  const int32_t added = NewRecord();
  ElemPos& r = Rec(added);
  r.start = static_cast<int32_t>(newStart);
  r.length = static_cast<int32_t>(elem.size());
  r.flags = (flags & kAddNoEnd) ? kElemNoEnd : 0;
  r.parent = parent;
  SetTagLengths(added, startTag, endTag);
  if (after != 0) {
    Rec(added).prev = after;
    Rec(added).next = Rec(after).next;
    if (Rec(after).next != 0) Rec(Rec(after).next).prev = added;
    Rec(after).next = added;
  } else {
    Rec(parent).firstChild = added;
  }
  ShiftAfter(added, static_cast<int32_t>(inserted.size()) - static_cast<int32_t>(removed));

  if (asChild) {
    child_ = added;
  } else {
    main_ = added;
    child_ = 0;
  }
  return true;
}

bool MarkupDoc::RemoveElem() {
  if (main_ == 0) return false;
  const int32_t elem = main_;
  const size_t start = static_cast<size_t>(Rec(elem).start);
  size_t end = start + static_cast<size_t>(Rec(elem).length);
  size_t ws = end;
  while (ws < text_.size() && IsMarkupSpace(text_[ws])) ++ws;
  if (ws == text_.size() || text_[ws] == u'<') end = ws;

  ShiftAfter(elem, -static_cast<int32_t>(end - start));
  text_.erase(start, end - start);

  const int32_t prev = Rec(elem).prev;
  const int32_t next = Rec(elem).next;
  if (prev != 0) {
    Rec(prev).next = next;
  } else {
    Rec(Rec(elem).parent).firstChild = next;
  }
  if (next != 0) Rec(next).prev = prev;
  FreeSubtree(elem);
  main_ = prev;
  child_ = 0;
  return true;
}

// ---------------------------------------------------------------------------
// Attributes

namespace {

// One attribute found in a start tag; offsets into the document text.
struct AttribSpan {
  size_t nameStart = 0;
  size_t valueStart = 0;
  size_t valueEnd = 0;
  size_t end = 0;  // after the closing quote, or the value's end
  bool quoted = false;
};

}  // namespace

// Where the attributes of a start tag end: before its ">" or "/>".
static size_t AttributesEnd(std::u16string_view text, size_t nameEnd, size_t tagEnd) {
  size_t end = tagEnd - 1;
  if (end > nameEnd && text[end - 1] == u'/') --end;
  return end;
}

// Past the quoted run that opens at `at`, as the parser skips it when it looks
// for the end of a start tag: a quote inside a name or an unquoted value still
// hides the characters up to the next matching quote.
static size_t SkipQuoted(std::u16string_view text, size_t at, size_t tagEnd) {
  size_t close = at + 1;
  while (close < tagEnd && text[close] != text[at]) ++close;
  return close < tagEnd ? close + 1 : tagEnd;
}

static bool IsQuote(char16_t c) { return c == u'"' || c == u'\''; }

// Walks the attributes of a start tag; `visit` returns true to stop. Returns
// the offset where a new attribute would go (after the last attribute).
template <typename Visit>
static size_t WalkAttributes(std::u16string_view text, size_t nameEnd, size_t tagEnd, Visit&& visit) {
  size_t i = nameEnd;
  size_t insertAt = nameEnd;
  while (i < tagEnd) {
    while (i < tagEnd && IsMarkupSpace(text[i])) ++i;
    if (i >= tagEnd) break;
    if (text[i] == u'/' || text[i] == u'>') {
      ++i;
      continue;
    }
    AttribSpan span;
    span.nameStart = i;
    while (i < tagEnd && !IsMarkupSpace(text[i]) && text[i] != u'=' && text[i] != u'/' && text[i] != u'>') {
      i = IsQuote(text[i]) ? SkipQuoted(text, i, tagEnd) : i + 1;
    }
    const std::u16string_view name = text.substr(span.nameStart, i - span.nameStart);
    size_t j = i;
    while (j < tagEnd && IsMarkupSpace(text[j])) ++j;
    if (j < tagEnd && text[j] == u'=') {
      ++j;
      while (j < tagEnd && IsMarkupSpace(text[j])) ++j;
      if (j < tagEnd && IsQuote(text[j])) {
        const char16_t quote = text[j];
        span.quoted = true;
        span.valueStart = j + 1;
        size_t k = span.valueStart;
        while (k < tagEnd && text[k] != quote) ++k;
        span.valueEnd = k;
        span.end = k < tagEnd ? k + 1 : k;
      } else {
        span.valueStart = j;
        while (j < tagEnd && !IsMarkupSpace(text[j]) && text[j] != u'>') {
          j = IsQuote(text[j]) ? SkipQuoted(text, j, tagEnd) : j + 1;
        }
        span.valueEnd = j;
        span.end = j;
      }
    } else {
      span.valueStart = span.valueEnd = span.end = i;
    }
    if (name.empty()) {
      i = span.end > i ? span.end : i + 1;
      continue;
    }
    i = span.end;
    insertAt = span.end;
    if (visit(name, span)) return insertAt;
  }
  return insertAt;
}

std::u16string MarkupDoc::GetAttrib(std::u16string_view name) const {
  if (main_ == 0 || name.empty()) return {};
  const size_t start = static_cast<size_t>(Rec(main_).start);
  const size_t nameEnd = start + 1 + NameOf(main_).size();
  const size_t tagEnd = AttributesEnd(text_, nameEnd, start + static_cast<size_t>(StartTagLength(main_)));
  std::u16string value;
  WalkAttributes(text_, nameEnd, tagEnd, [&](std::u16string_view attrib, const AttribSpan& span) {
    if (!NameEquals(attrib, name)) return false;
    value = Unescape(std::u16string_view(text_).substr(span.valueStart, span.valueEnd - span.valueStart));
    return true;
  });
  return value;
}

bool MarkupDoc::SetAttrib(std::u16string_view name, int value) { return SetAttrib(name, Number(value)); }

bool MarkupDoc::SetAttrib(std::u16string_view name, std::u16string_view value) {
  if (main_ == 0 || !IsWritableName(name)) return false;
  const size_t start = static_cast<size_t>(Rec(main_).start);
  const size_t nameEnd = start + 1 + NameOf(main_).size();
  const int32_t startTag = StartTagLength(main_);
  const int32_t endTag = EndTagLength(main_);
  const size_t tagEnd = AttributesEnd(text_, nameEnd, start + static_cast<size_t>(startTag));
  const std::u16string escaped = Escape(value, true);
  bool found = false;
  AttribSpan target;
  const size_t insertAt =
      WalkAttributes(text_, nameEnd, tagEnd, [&](std::u16string_view attrib, const AttribSpan& span) {
        if (!NameEquals(attrib, name)) return false;
        found = true;
        target = span;
        return true;
      });
  size_t offset = 0;
  size_t removed = 0;
  std::u16string inserted;
  if (found && target.quoted) {
    offset = target.valueStart;
    removed = target.valueEnd - target.valueStart;
    inserted = escaped;
  } else if (found) {
    offset = target.nameStart;
    removed = target.end - target.nameStart;
    inserted = std::u16string(name) + u"=\"" + escaped + u"\"";
  } else {
    offset = insertAt;
    inserted = u" " + std::u16string(name) + u"=\"" + escaped + u"\"";
  }
  if (text_.size() - removed + inserted.size() > kMaxText) return false;
  text_.replace(offset, removed, inserted);
  const auto delta = static_cast<int32_t>(inserted.size()) - static_cast<int32_t>(removed);
  SetTagLengths(main_, startTag + delta, endTag);
  Rec(main_).length += delta;
  ShiftSubtree(main_, delta, false);
  ShiftAfter(main_, delta);
  return true;
}

// ---------------------------------------------------------------------------
// Escaping

std::u16string MarkupDoc::Escape(std::u16string_view text, bool forAttribute) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += forAttribute ? u"&quot;" : u"\""; break;
      case u'\'': out += forAttribute ? u"&apos;" : u"'"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::u16string MarkupDoc::Unescape(std::u16string_view text) {
  std::u16string out;
  AppendUnescaped(out, text);
  return out;
}

}  // namespace vidmora
