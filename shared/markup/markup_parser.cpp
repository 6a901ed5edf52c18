// The forgiving parser of MarkupDoc: one linear scan over the text with an
// explicit stack of open elements (no recursion), building the element index
// and recording every problem as a result event.

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "shared/markup/markup_doc.h"
#include "shared/markup/markup_result.h"
#include "shared/markup/markup_text.h"

namespace vidmora {

class MarkupParser {
 public:
  explicit MarkupParser(MarkupDoc& doc) : doc_(doc), text_(doc.text_) {}

  void Run();

 private:
  struct Open {
    int32_t elem;
    std::u16string_view name;
    int32_t lastChild;
  };

  // Scans one kind of token at `pos` ("<" of it); returns the offset after
  // it, or npos when the token runs to the end of the text.
  size_t StartTag(size_t pos);
  size_t EndTag(size_t pos);
  size_t Exclamation(size_t pos);
  size_t DocumentType(size_t pos);
  size_t SkipPast(size_t from, std::u16string_view closing, size_t pos, std::u16string_view kind);
  // The end of the tag name that starts at `from`.
  size_t NameEnd(size_t from) const;
  // Whether the tag that began at `pos` closes at `i` (a '>'). Else it is
  // reported unterminated, and `resume` is where scanning goes on: npos at
  // the end of the text, or the next tag, begun before this one closed.
  bool ClosesAt(size_t i, size_t pos, std::u16string_view kind, size_t& resume);

  int32_t Append(size_t start, int32_t startTag, int32_t endTag);
  void CloseUnended(size_t keep, size_t expectedAt);
  // Marks the document ill-formed and reports `event` while the report has room.
  void IllFormed(const ResultEvent& event);
  void Syntax(std::u16string_view event, size_t offset);
  void Unterminated(std::u16string_view kind, size_t offset);
  bool Report() const { return doc_.result_.size() < MarkupDoc::kResultCap; }

  // Names of the open elements, kept only once an end tag has failed to
  // match the innermost open element, so that the search for the element it
  // closes never walks the stack for nothing.
  std::u16string NameKey(std::u16string_view name) const;
  void TrackOpen(std::u16string_view name, int delta);

  MarkupDoc& doc_;
  std::u16string_view text_;
  std::vector<Open> stack_;
  bool tracking_ = false;
  std::unordered_map<std::u16string, int> openNames_;
};

bool MarkupDoc::Parse() {
  ResetIndex(text_.size());
  MarkupParser(*this).Run();
  ResetPos();
  return IsWellFormed();
}

void MarkupParser::IllFormed(const ResultEvent& event) {
  doc_.Rec(0).flags |= MarkupDoc::kElemIllFormed;
  if (Report()) event.AppendTo(doc_.result_, MarkupDoc::kResultCap);
}

void MarkupParser::Syntax(std::u16string_view event, size_t offset) {
  IllFormed(ResultEvent(event).Attr(u"offset", static_cast<int64_t>(offset)));
}

void MarkupParser::Unterminated(std::u16string_view kind, size_t offset) {
  IllFormed(ResultEvent(u"unterminated_tag_syntax").Attr(u"type", kind).Attr(u"offset", static_cast<int64_t>(offset)));
}

std::u16string MarkupParser::NameKey(std::u16string_view name) const {
  std::u16string key(name);
  if (doc_.docFlags_ & MarkupDoc::kDocIgnoreCase) {
    for (char16_t& c : key) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
  }
  return key;
}

void MarkupParser::TrackOpen(std::u16string_view name, int delta) {
  if (!tracking_) return;
  auto it = openNames_.try_emplace(NameKey(name), 0).first;
  it->second += delta;
  if (it->second <= 0) openNames_.erase(it);
}

int32_t MarkupParser::Append(size_t start, int32_t startTag, int32_t endTag) {
  const int32_t elem = doc_.NewRecord();
  Open& parent = stack_.back();
  MarkupDoc::ElemPos& r = doc_.Rec(elem);
  r.start = static_cast<int32_t>(start);
  r.length = startTag + endTag;
  r.parent = parent.elem;
  r.prev = parent.lastChild;
  doc_.SetTagLengths(elem, startTag, endTag);
  if (parent.lastChild != 0) {
    doc_.Rec(parent.lastChild).next = elem;
  } else {
    doc_.Rec(parent.elem).firstChild = elem;
  }
  parent.lastChild = elem;
  return elem;
}

void MarkupParser::Run() {
  stack_.push_back({0, {}, 0});
  const size_t n = text_.size();
  size_t pos = 0;
  while (pos < n) {
    const char16_t* found = std::find(text_.data() + pos, text_.data() + n, u'<');
    pos = static_cast<size_t>(found - text_.data());
    if (pos >= n) break;
    if (pos + 1 >= n) {
      Unterminated(u"tag", pos);
      break;
    }
    const char16_t c = text_[pos + 1];
    size_t next = std::u16string_view::npos;
    if (c == u'/') {
      next = EndTag(pos);
    } else if (c == u'?') {
      next = SkipPast(pos + 2, u"?>", pos, u"processing_instruction");
    } else if (c == u'!') {
      next = Exclamation(pos);
    } else if (IsNameEnd(c) || c == u'=' || c == u'"' || c == u'\'') {
      Syntax(u"first_tag_syntax", pos);
      next = pos + 1;
    } else {
      next = StartTag(pos);
    }
    if (next == std::u16string_view::npos) break;
    pos = next;
  }
  CloseUnended(0, n);

  const MarkupDoc::ElemPos& doc = doc_.Rec(0);
  if (doc.firstChild == 0) {
    ResultEvent(u"no_root_element").AppendTo(doc_.result_, MarkupDoc::kResultCap);
  } else if (doc_.Rec(doc.firstChild).next != 0) {
    ResultEvent(u"root_has_sibling").AppendTo(doc_.result_, MarkupDoc::kResultCap);
  }
}

size_t MarkupParser::SkipPast(size_t from, std::u16string_view closing, size_t pos, std::u16string_view kind) {
  const size_t end = text_.find(closing, from);
  if (end == std::u16string_view::npos) {
    Unterminated(kind, pos);
    return end;
  }
  return end + closing.size();
}

size_t MarkupParser::NameEnd(size_t from) const {
  while (from < text_.size() && !IsNameEnd(text_[from])) ++from;
  return from;
}

bool MarkupParser::ClosesAt(size_t i, size_t pos, std::u16string_view kind, size_t& resume) {
  if (i < text_.size() && text_[i] == u'>') return true;
  Unterminated(kind, pos);
  resume = i < text_.size() ? i : std::u16string_view::npos;
  return false;
}

size_t MarkupParser::StartTag(size_t pos) {
  const size_t n = text_.size();
  size_t i = NameEnd(pos + 1);
  const std::u16string_view name = text_.substr(pos + 1, i - pos - 1);
  char16_t quote = 0;
  for (; i < n; ++i) {
    const char16_t c = text_[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (c == u'>' || c == u'<') {
      break;
    }
  }
  if (size_t resume = 0; !ClosesAt(i, pos, u"start_tag", resume)) return resume;
  const bool empty = text_[i - 1] == u'/';
  const auto startTag = static_cast<int32_t>(i + 1 - pos);
  const int32_t elem = Append(pos, startTag, 0);
  if (!empty) {
    doc_.Rec(elem).flags |= MarkupDoc::kElemOpen;
    stack_.push_back({elem, name, 0});
    TrackOpen(name, 1);
  }
  return i + 1;
}

size_t MarkupParser::EndTag(size_t pos) {
  const size_t n = text_.size();
  size_t i = NameEnd(pos + 2);
  const std::u16string_view name = text_.substr(pos + 2, i - pos - 2);
  while (i < n && text_[i] != u'>' && text_[i] != u'<') ++i;
  if (size_t resume = 0; !ClosesAt(i, pos, u"end_tag", resume)) return resume;
  const size_t after = i + 1;

  // Which open element does it close? Usually the innermost one.
  size_t match = 0;
  if (stack_.size() > 1 && doc_.NameEquals(stack_.back().name, name)) {
    match = stack_.size() - 1;
  } else if (stack_.size() > 1) {
    if (!tracking_) {
      tracking_ = true;
      for (size_t k = 1; k < stack_.size(); ++k) TrackOpen(stack_[k].name, 1);
    }
    if (openNames_.count(NameKey(name)) != 0) {
      for (size_t k = stack_.size() - 1; k >= 1; --k) {
        if (doc_.NameEquals(stack_[k].name, name)) {
          match = k;
          break;
        }
      }
    }
  }
  if (match == 0) {
    IllFormed(ResultEvent(u"lone_end_tag").Attr(u"tagname", name).Attr(u"offset", static_cast<int64_t>(pos)));
    return after;
  }
  CloseUnended(match, pos);
  const Open closed = stack_.back();
  stack_.pop_back();
  TrackOpen(closed.name, -1);
  MarkupDoc::ElemPos& r = doc_.Rec(closed.elem);
  r.flags &= ~MarkupDoc::kElemOpen;
  r.length = static_cast<int32_t>(after) - r.start;
  doc_.SetTagLengths(closed.elem, doc_.StartTagLength(closed.elem), static_cast<int32_t>(after - pos));
  return after;
}

// Leaves every element above stack_[keep] unended: each keeps only its start
// tag, and its children follow it as siblings under stack_[keep]. Each child
// is moved once, however deep the unended elements are nested.
void MarkupParser::CloseUnended(size_t keep, size_t expectedAt) {
  const size_t top = stack_.size() - 1;
  if (top <= keep) return;
  doc_.Rec(0).flags |= MarkupDoc::kElemIllFormed;
  for (size_t k = top; k > keep && Report(); --k) {
    ResultEvent(u"unended_start_tag")
        .Attr(u"tagname", stack_[k].name)
        .Attr(u"offset", static_cast<int64_t>(doc_.Rec(stack_[k].elem).start))
        .Attr(u"offset2", static_cast<int64_t>(expectedAt))
        .AppendTo(doc_.result_, MarkupDoc::kResultCap);
  }
  const int32_t adopter = stack_[keep].elem;
  int32_t last = 0;
  for (size_t k = keep + 1; k <= top; ++k) {
    const int32_t elem = stack_[k].elem;
    MarkupDoc::ElemPos& r = doc_.Rec(elem);
    r.flags = (r.flags & ~MarkupDoc::kElemOpen) | MarkupDoc::kElemNoEnd;
    r.length = doc_.StartTagLength(elem);
    doc_.SetTagLengths(elem, r.length, 0);
    const int32_t first = r.firstChild;
    r.firstChild = 0;
    last = elem;
    if (first != 0) {
      doc_.Rec(elem).next = first;
      doc_.Rec(first).prev = elem;
      for (int32_t c = first; c != 0; c = doc_.Rec(c).next) {
        doc_.Rec(c).parent = adopter;
        doc_.Rec(c).flags |= MarkupDoc::kElemMoved;
        last = c;
      }
    }
    TrackOpen(stack_[k].name, -1);
  }
  stack_.resize(keep + 1);
  stack_.back().lastChild = last;
}

size_t MarkupParser::Exclamation(size_t pos) {
  const std::u16string_view rest = text_.substr(pos);
  if (rest.starts_with(u"<!--")) return SkipPast(pos + 4, u"-->", pos, u"comment");
  if (rest.starts_with(u"<!-")) {
    Syntax(u"comment_tag_syntax", pos);
    return pos + 1;
  }
  if (rest.starts_with(u"<![CDATA[")) return SkipPast(pos + 9, u"]]>", pos, u"cdata_section");
  if (rest.starts_with(u"<![")) {
    Syntax(u"cdata_section_syntax", pos);
    return pos + 1;
  }
  if (rest.starts_with(u"<!DOCTYPE")) return DocumentType(pos);
  Syntax(u"exclamation_tag_syntax", pos);
  return pos + 1;
}

size_t MarkupParser::DocumentType(size_t pos) {
  const size_t n = text_.size();
  size_t i = pos + 9;
  const auto skipQuoted = [&](size_t at) {
    const size_t close = text_.find(text_[at], at + 1);
    return close == std::u16string_view::npos ? n : close + 1;
  };
  while (i < n) {
    const char16_t c = text_[i];
    if (c == u'"' || c == u'\'') {
      i = skipQuoted(i);
    } else if (c == u'>') {
      return i + 1;
    } else if (c == u'[') {
      // Internal subset: markup declarations, comments, processing
      // instructions, parameter-entity references and white space.
      ++i;
      while (true) {
        while (i < n && IsMarkupSpace(text_[i])) ++i;
        if (i >= n) break;
        const std::u16string_view rest = text_.substr(i);
        if (rest[0] == u']') {
          ++i;
          break;
        }
        size_t next = std::u16string_view::npos;
        if (rest.starts_with(u"<!--")) {
          next = text_.find(u"-->", i + 4);
          if (next != std::u16string_view::npos) next += 3;
        } else if (rest.starts_with(u"<?")) {
          next = text_.find(u"?>", i + 2);
          if (next != std::u16string_view::npos) next += 2;
        } else if (rest.starts_with(u"<!")) {
          size_t k = i + 2;
          while (k < n && text_[k] != u'>') k = (text_[k] == u'"' || text_[k] == u'\'') ? skipQuoted(k) : k + 1;
          if (k < n) next = k + 1;
        } else if (rest[0] == u'%') {
          next = text_.find(u';', i);
          if (next != std::u16string_view::npos) next += 1;
        } else {
          Syntax(u"doctype_tag_syntax", i);
          next = i + 1;
        }
        if (next == std::u16string_view::npos) {
          i = n;
          break;
        }
        i = next;
      }
    } else {
      ++i;
    }
  }
  Unterminated(u"document_type", pos);
  return std::u16string_view::npos;
}

}  // namespace vidmora
