#include "shared/markup/markup_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <iterator>
#include <cerrno>
#include <string>

#include "shared/markup/charsets.h"
#include "shared/markup/markup_doc.h"
#include "shared/markup/markup_result.h"
#include "shared/text/utf.h"

namespace vidmora {

namespace {

constexpr size_t kHeadBytes = 1024;

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

void Event(std::u16string& result, std::u16string_view type) {
  ResultEvent(type).AppendTo(result, MarkupDoc::kResultCap);
}

void EncodingEvent(std::u16string& result, std::u16string_view type, std::string_view encoding, size_t length) {
  ResultEvent(type)
      .Attr(u"encoding", Ascii(encoding))
      .Attr(u"length", static_cast<int64_t>(length))
      .AppendTo(result, MarkupDoc::kResultCap);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string LowerCopy(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The value of `name`="value" (or 'value') inside `tag`, searched without
// regard to case; empty when absent.
std::string PseudoAttribute(std::string_view tag, std::string_view lowerTag, std::string_view name) {
  size_t at = 0;
  while ((at = lowerTag.find(name, at)) != std::string_view::npos) {
    size_t i = at + name.size();
    const bool startsWord = at == 0 || IsSpace(lowerTag[at - 1]);
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (startsWord && i < tag.size() && tag[i] == '=') {
      ++i;
      while (i < tag.size() && IsSpace(tag[i])) ++i;
      if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
        const size_t close = tag.find(tag[i], i + 1);
        if (close != std::string_view::npos) return std::string(tag.substr(i + 1, close - i - 1));
      } else {
        size_t end = i;
        while (end < tag.size() && !IsSpace(tag[end]) && tag[end] != '>' && tag[end] != '/' && tag[end] != '"' &&
               tag[end] != '\'') {
          ++end;
        }
        return std::string(tag.substr(i, end - i));
      }
    }
    at += name.size();
  }
  return {};
}

std::string HtmlCharset(std::string_view head, std::string_view lower) {
  if (lower.find("<html") == std::string_view::npos) return {};
  size_t at = 0;
  while ((at = lower.find("<meta", at)) != std::string_view::npos) {
    const size_t end = lower.find('>', at);
    if (end == std::string_view::npos) break;
    const std::string_view tag = head.substr(at, end - at);
    const std::string_view lowerTag = lower.substr(at, end - at);
    std::string charset = PseudoAttribute(tag, lowerTag, "charset");
    if (!charset.empty()) return charset;
    if (LowerCopy(PseudoAttribute(tag, lowerTag, "http-equiv")) == "content-type") {
      const std::string content = PseudoAttribute(tag, lowerTag, "content");
      const std::string lowerContent = LowerCopy(content);
      const size_t cs = lowerContent.find("charset=");
      if (cs != std::string::npos) {
        size_t from = cs + 8;
        size_t to = from;
        while (to < content.size() && !IsSpace(content[to]) && content[to] != ';' && content[to] != '"' &&
               content[to] != '\'') {
          ++to;
        }
        return content.substr(from, to - from);
      }
    }
    at = end;
  }
  return {};
}

// Runs iconv over the whole input. Input that cannot be converted is handed
// to `onBad` (with the bytes left), which appends a replacement and returns
// how many input bytes to skip.
template <typename OnBad>
bool RunIconv(const std::string& from, const std::string& to, std::string_view input, std::string& output,
              OnBad&& onBad) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;  // NOLINT(performance-no-int-to-ptr): iconv_open's error value
  output.clear();
  output.reserve(input.size() * 2 + 16);
  char buffer[16384];
  auto* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  bool flushing = false;
  while (true) {
    char* out = buffer;
    size_t outLeft = sizeof(buffer);
    const size_t rc = flushing ? iconv(cd, nullptr, nullptr, &out, &outLeft) : iconv(cd, &in, &inLeft, &out, &outLeft);
    const int error = errno;
    output.append(buffer, static_cast<size_t>(out - buffer));
    if (rc != static_cast<size_t>(-1)) {
      if (flushing) break;
      flushing = true;
      continue;
    }
    if (error == E2BIG) continue;
    if (flushing || inLeft == 0) break;
    const size_t skip = std::min(inLeft, onBad(std::string_view(in, inLeft), output));
    in += skip;
    inLeft -= skip;
  }
  iconv_close(cd);
  return true;
}

std::u16string FromUtf16LeBytes(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

std::string ToUtf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    const auto low = static_cast<char>(text[i] & 0xFF);
    const auto high = static_cast<char>(text[i] >> 8);
    bytes[2 * i] = bigEndian ? high : low;
    bytes[2 * i + 1] = bigEndian ? low : high;
  }
  return bytes;
}

bool HasLoneSurrogate(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

// A wide encoding named in an 8-bit text cannot be what the bytes are in.
bool IsWideCodePage(int codePage) {
  return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001;
}

// The iconv name for a declared encoding; empty when iconv cannot use it.
std::string IconvNameOf(const std::string& encoding) {
  const int codePage = CodePageOfCharset(encoding);
  if (codePage != 0) return IconvNameOfCodePage(codePage);
  iconv_t cd = iconv_open("UTF-16LE", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};  // NOLINT(performance-no-int-to-ptr): iconv_open's error value
  iconv_close(cd);
  return encoding;
}

}  // namespace

std::string DeclaredEncoding(std::string_view head) {
  head = head.substr(0, std::min(head.size(), kHeadBytes));
  const std::string lower = LowerCopy(head);
  size_t i = 0;
  while (i < head.size() && IsSpace(head[i])) ++i;
  if (lower.compare(i, 5, "<?xml") == 0) {
    const size_t end = head.find("?>", i);
    if (end != std::string_view::npos) {
      const std::string_view tag = head.substr(i, end - i);
      return PseudoAttribute(tag, std::string_view(lower).substr(i, end - i), "encoding");
    }
  }
  return HtmlCharset(head, lower);
}

std::u16string DecodeDocumentBytes(std::string_view bytes, int& docFlags, std::u16string& result) {
  docFlags &= ~(MarkupDoc::kDocUtf16LeFile | MarkupDoc::kDocUtf16BeFile | MarkupDoc::kDocUtf8Preamble);
  const auto starts = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  std::string encoding;
  bool wide = false;
  bool bigEndian = false;
  if (starts("\xEF\xBB\xBF")) {
    encoding = "UTF-8";
    docFlags |= MarkupDoc::kDocUtf8Preamble;
    bytes.remove_prefix(3);
  } else if (starts("\xFF\xFE")) {
    encoding = "UTF-16LE";
    docFlags |= MarkupDoc::kDocUtf16LeFile;
    wide = true;
    bytes.remove_prefix(2);
  } else if (starts("\xFE\xFF")) {
    encoding = "UTF-16BE";
    docFlags |= MarkupDoc::kDocUtf16BeFile;
    wide = true;
    bigEndian = true;
    bytes.remove_prefix(2);
  }
  if (!encoding.empty()) {
    ResultEvent(u"bom").Attr(u"encoding", Ascii(encoding)).AppendTo(result, MarkupDoc::kResultCap);
  } else {
    encoding = DeclaredEncoding(bytes);
    if (encoding.empty() && !bytes.empty() && bytes[0] == '<') encoding = "UTF-8";
  }

  if (wide) {
    std::string units(bytes.substr(0, bytes.size() & ~size_t{1}));
    if (bigEndian) {
      for (size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
    }
    std::u16string text = FromUtf16LeBytes(units);
    const size_t read = text.size();
    const size_t nulls = static_cast<size_t>(std::count(text.begin(), text.end(), u'\0'));
    if (nulls != 0) text.erase(std::remove(text.begin(), text.end(), u'\0'), text.end());
    EncodingEvent(result, u"read", encoding, read);
    if (nulls != 0) ResultEvent(u"nulls_removed").Attr(u"count", static_cast<int64_t>(nulls)).AppendTo(result, MarkupDoc::kResultCap);
    if (bigEndian) Event(result, u"endian_swap");
    if (bytes.size() % 2 != 0) {
      ResultEvent(u"truncation_error").Attr(u"encoding", Ascii(encoding)).AppendTo(result, MarkupDoc::kResultCap);
    }
    return text;
  }

  const size_t read = bytes.size();
  const size_t nulls = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\0'));
  // Copied only when there are nulls to take out.
  std::string withoutNulls;
  if (nulls != 0) {
    withoutNulls.reserve(bytes.size() - nulls);
    std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(withoutNulls), [](char c) { return c != '\0'; });
  }
  const std::string_view narrow = nulls != 0 ? std::string_view(withoutNulls) : bytes;

  int codePage = CodePageOfCharset(encoding);
  std::string iconvName;
  if (!encoding.empty() && codePage != kCodePageUtf8) {
    iconvName = IsWideCodePage(codePage) ? std::string() : IconvNameOf(encoding);
  }
  bool detected = false;
  if (encoding.empty() || (codePage != kCodePageUtf8 && iconvName.empty())) {
    // Nothing usable declared: UTF-8 when the bytes are UTF-8; otherwise the
    // locale's 8-bit form, which is UTF-8 here as well.
    detected = true;
    if (IsValidUtf8(narrow)) encoding = "UTF-8";
    iconvName.clear();
  }
  EncodingEvent(result, u"read", encoding, read);
  if (nulls != 0) ResultEvent(u"nulls_removed").Attr(u"count", static_cast<int64_t>(nulls)).AppendTo(result, MarkupDoc::kResultCap);
  if (detected) Event(result, u"utf8_detection");

  std::u16string text;
  bool loss = false;
  if (iconvName.empty()) {
    loss = !IsValidUtf8(narrow);
    text = FromUtf8(narrow);
  } else {
    std::string converted;
    RunIconv(iconvName, "UTF-16LE", narrow, converted, [&](std::string_view, std::string& out) {
      loss = true;
      out += "\xFD\xFF";  // U+FFFD
      return size_t{1};
    });
    text = FromUtf16LeBytes(converted);
  }
  EncodingEvent(result, u"converted_to", "UTF-16", text.size());
  if (loss) Event(result, u"conversion_loss");
  return text;
}

std::optional<std::string> EncodeDocumentText(std::u16string_view text, int docFlags, std::u16string& result) {
  if (docFlags & (MarkupDoc::kDocUtf16LeFile | MarkupDoc::kDocUtf16BeFile)) {
    const bool bigEndian = (docFlags & MarkupDoc::kDocUtf16LeFile) == 0;
    const std::string encoding = bigEndian ? "UTF-16BE" : "UTF-16LE";
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    bytes += ToUtf16Bytes(text, bigEndian);
    ResultEvent(u"bom").Attr(u"encoding", Ascii(encoding)).AppendTo(result, MarkupDoc::kResultCap);
    if (bigEndian) Event(result, u"endian_swap");
    EncodingEvent(result, u"write", encoding, text.size());
    return bytes;
  }

  std::string encoding = "UTF-8";
  if (!(docFlags & MarkupDoc::kDocUtf8Preamble)) {
    const std::u16string_view head = text.substr(0, std::min(text.size(), kHeadBytes));
    std::string narrowHead;
    for (char16_t c : head) narrowHead += c < 0x80 ? static_cast<char>(c) : '?';
    const std::string declared = DeclaredEncoding(narrowHead);
    const int codePage = CodePageOfCharset(declared);
    if (!declared.empty() && codePage != kCodePageUtf8 && !IsWideCodePage(codePage)) encoding = declared;
  }

  EncodingEvent(result, u"converted_from", "UTF-16", text.size());
  std::string bytes;
  bool loss = false;
  if (encoding == "UTF-8") {
    loss = HasLoneSurrogate(text);
    bytes = ToUtf8(text);
  } else {
    const std::string iconvName = IconvNameOf(encoding);
    if (iconvName.empty()) {
      ResultEvent(u"file_error")
          .Attr(u"msg", u"cannot write encoding " + Ascii(encoding))
          .AppendTo(result, MarkupDoc::kResultCap);
      return std::nullopt;
    }
    // A character the encoding lacks is written as a character reference,
    // which every reader turns back into the character.
    RunIconv("UTF-16LE", iconvName, ToUtf16Bytes(text, false), bytes, [&](std::string_view rest, std::string& out) {
      char32_t c = static_cast<uint8_t>(rest[0]) | (static_cast<uint8_t>(rest.size() > 1 ? rest[1] : 0) << 8);
      size_t used = 2;
      if (c >= 0xD800 && c <= 0xDBFF && rest.size() >= 4) {
        const char32_t low = static_cast<uint8_t>(rest[2]) | (static_cast<uint8_t>(rest[3]) << 8);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          used = 4;
        }
      }
      if (c >= 0xD800 && c <= 0xDFFF) {
        loss = true;
        out += '?';
      } else {
        out += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
      }
      return used;
    });
  }
  if (docFlags & MarkupDoc::kDocUtf8Preamble) {
    bytes.insert(0, "\xEF\xBB\xBF");
    ResultEvent(u"bom").Attr(u"encoding", u"UTF-8").AppendTo(result, MarkupDoc::kResultCap);
  }
  EncodingEvent(result, u"write", encoding, bytes.size());
  if (loss) Event(result, u"conversion_loss");
  return bytes;
}

}  // namespace vidmora
