#pragma once

// MarkupDoc: one XML document held as a single UTF-16 text plus an index of
// its elements, navigated with three positions (parent, main, child).
//
// The parser is forgiving: it always builds an index, records every problem
// as an event of the result text (a rootless list of elements such as
// <lone_end_tag tagname="b" offset="12"/>) and reports through its return
// value whether the document is well-formed. Edits change the text in place
// and shift the offsets of the records after the edit; nothing is re-parsed.
//
// Offsets and lengths count UTF-16 code units. Names are compared exactly
// unless kDocIgnoreCase is set. Paths are UTF-16 and go to the OS as UTF-8.
//
// Threads: a document is a plain value with no shared state; two threads may
// use two documents at once, one document is used by one thread at a time.
// Nothing here recurses over the depth of the document.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vidmora {

class MarkupDoc {
 public:
  // Document flags. Load sets the encoding flags, Save honours them.
  static constexpr int kDocUtf16LeFile = 0x1;   // the file is UTF-16 little-endian (with its mark)
  static constexpr int kDocUtf8Preamble = 0x4;  // the file had, or is to get, a UTF-8 byte-order mark
  static constexpr int kDocIgnoreCase = 0x8;    // element and attribute names compared without case
  static constexpr int kDocUtf16BeFile = 0x80;  // the file is UTF-16 big-endian (with its mark)

  // AddElem option flags.
  static constexpr int kAddCdata = 0x1;             // the text as a CDATA section
  static constexpr int kAddNoLineBreak = 0x2;       // no CR LF after the element
  static constexpr int kAddSpaceBeforeSlash = 0x4;  // an empty element as "<name />"
  static constexpr int kAddNoEnd = 0x10;            // a start tag only: no content, no end tag
  static constexpr int kAddChild = 0x4000;          // add inside the main element, after the child position

  // SetData option flag.
  static constexpr int kDataCdata = 0x1;

  // Largest result text to which a further event is still added.
  static constexpr size_t kResultCap = 1000;

  MarkupDoc();
  // Parses the text at once (see SetDoc).
  explicit MarkupDoc(std::u16string_view text);

  // Replaces the document text and parses it; clears the result text.
  // Returns whether the text is well-formed: one top-level element and no
  // recorded structure or syntax error. SetDoc() empties the document.
  bool SetDoc(std::u16string_view text);
  bool SetDoc();

  // Reads a file, detects and converts its encoding (byte-order marks, the
  // declared encoding, UTF-8 detection) and parses it. False when the file
  // cannot be read (the document is then left as it was and the result text
  // holds a "file_error" event) or is not well-formed.
  bool Load(std::u16string_view path);

  // Writes the text in the document's encoding: UTF-16 when a UTF-16 flag is
  // set, else the encoding declared in the text, else UTF-8; a byte-order mark
  // when a flag asks for one. Writes a temporary file beside the target and
  // renames it over the target, so the target is either the old file or the
  // complete new one. Returns whether the file was written; on failure errno
  // holds the reason.
  bool Save(std::u16string_view path);

  // Navigation. FindElem searches the siblings after the main position (or
  // the parent's children from the first when there is no main position) for
  // the next element named `name` (any element when empty); on success that
  // element becomes main and the child position 0; on failure nothing moves.
  bool FindElem(std::u16string_view name = {});
  bool IntoElem();
  bool OutOfElem();
  // Resets the positions to document level.
  void ResetPos();

  // Adds an element after the main element (or after the parent's last
  // child when there is no main element; with kAddChild inside the main
  // element, after the child position) and makes it main (or child).
  bool AddElem(std::u16string_view name, std::u16string_view text = {}, int flags = 0);
  bool AddElem(std::u16string_view name, int value, int flags = 0);

  // The main element's text content, unescaped, with the contents of its
  // CDATA sections; empty when it has child elements, no content or there is
  // no main element.
  std::u16string GetData() const;
  // Replaces the main element's content with the escaped text (a CDATA
  // section with kDataCdata). False when there is no main element or it has
  // child elements or no end tag.
  bool SetData(std::u16string_view text, int flags = 0);
  bool SetData(int value);

  // Removes the main element, its content and the white space after it up
  // to the next tag; the previous sibling becomes main.
  bool RemoveElem();

  // Attributes of the main element; GetAttrib gives the unescaped value or
  // empty text when there is none.
  std::u16string GetAttrib(std::u16string_view name) const;
  bool SetAttrib(std::u16string_view name, std::u16string_view value);
  bool SetAttrib(std::u16string_view name, int value);

  // The main element's name; empty when there is no main element.
  std::u16string GetTagName() const;

  const std::u16string& GetDoc() const { return text_; }
  // The events of the last SetDoc, Load or Save (see ResultMessage).
  const std::u16string& GetResult() const { return result_; }
  bool IsWellFormed() const;

  int GetDocFlags() const { return docFlags_; }
  void SetDocFlags(int flags) { docFlags_ = flags; }

  // One readable line built from a result text: each event's message in
  // order, joined by single spaces; of the parse events only the first.
  static std::u16string ResultMessage(std::u16string_view result);

  // Escapes text for element content ("&", "<", ">") or, with
  // `forAttribute`, also for attribute values ("\"", "'").
  static std::u16string Escape(std::u16string_view text, bool forAttribute = false);
  // Replaces character and named references; an "&" that starts no known
  // reference stays as it is.
  static std::u16string Unescape(std::u16string_view text);

  // Element flags of the index records.
  static constexpr uint32_t kElemNoEnd = 0x100000;
  static constexpr uint32_t kElemIllFormed = 0x800000;  // on record 0
  static constexpr uint32_t kElemOpen = 0x200000;       // during the parse: the end tag is awaited
  static constexpr uint32_t kElemMoved = 0x80000;       // during the parse: adopted from an unended element

 private:
  // One index record. Start-tag length in the low 22 bits and end-tag length
  // in the high 10 bits of tagLengths; a length too large for its field is
  // stored as the field's maximum and recomputed from the text.
  struct ElemPos {
    int32_t start = 0;
    int32_t length = 0;
    uint32_t tagLengths = 0;
    uint32_t flags = 0;
    int32_t parent = 0;
    int32_t firstChild = 0;
    int32_t next = 0;
    int32_t prev = 0;
  };
  static constexpr int kSegmentBits = 16;
  static constexpr int32_t kSegmentSize = 1 << kSegmentBits;
  static constexpr uint32_t kStartTagMax = (1u << 22) - 1;
  static constexpr uint32_t kEndTagMax = (1u << 10) - 1;

  friend class MarkupParser;

  ElemPos& Rec(int32_t i) { return segments_[static_cast<size_t>(i) >> kSegmentBits][i & (kSegmentSize - 1)]; }
  const ElemPos& Rec(int32_t i) const {
    return segments_[static_cast<size_t>(i) >> kSegmentBits][i & (kSegmentSize - 1)];
  }
  void ResetIndex(size_t textLength);
  int32_t NewRecord();
  void FreeSubtree(int32_t elem);

  int32_t StartTagLength(int32_t elem) const;
  int32_t EndTagLength(int32_t elem) const;
  void SetTagLengths(int32_t elem, int32_t startTagLength, int32_t endTagLength);
  std::u16string_view NameOf(int32_t elem) const;
  // Number of "/" that end an empty-element tag before its ">".
  size_t EmptyTagSlashes(int32_t elem) const;
  bool NameEquals(std::u16string_view a, std::u16string_view b) const;
  int32_t LastChild(int32_t parent) const;

  // After the text changed by `delta` units inside `elem`: the lengths of
  // `elem`'s ancestors change by `delta` and every record after `elem`'s
  // subtree moves by it. `elem` itself and its descendants are the caller's.
  void ShiftAfter(int32_t elem, int32_t delta);
  void ShiftSubtree(int32_t elem, int32_t delta, bool includeSelf);
  bool AddElemImpl(std::u16string_view name, std::u16string_view text, int flags);
  bool Parse();
  void AddResult(std::u16string_view event);

  std::u16string text_;
  std::u16string result_;
  int32_t parent_ = 0;
  int32_t main_ = 0;
  int32_t child_ = 0;
  int32_t freeCounter_ = 1;
  int32_t deletedHead_ = 0;
  int docFlags_ = 0;
  std::vector<std::vector<ElemPos>> segments_;
};

}  // namespace vidmora
