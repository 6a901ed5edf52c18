// Feeds arbitrary bytes to MarkupDoc: as text to the parser (read as UTF-8
// and as raw UTF-16 code units), and as a file to Load. Every document is
// walked through its index; a well-formed one is also edited, and its index
// must then still describe its text (parsing the edited text again gives the
// same outline). The text of every document is also encoded as Save would
// write it (without touching the disk each time).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shared/markup/markup_doc.h"
#include "shared/markup/markup_encoding.h"
#include "shared/text/utf.h"

namespace {

using vidmora::MarkupDoc;

// Depth-first walk by navigation alone; the outline of names and data.
std::u16string Walk(MarkupDoc& doc) {
  std::u16string outline;
  doc.ResetPos();
  while (true) {
    if (doc.FindElem()) {
      outline += doc.GetTagName();
      outline += u'(';
      outline += doc.GetData();
      outline += u')';
      outline += doc.GetAttrib(u"a");
      outline += u'[';
      doc.IntoElem();
      continue;
    }
    if (!doc.OutOfElem()) break;
    outline += u']';
  }
  doc.ResetPos();
  return outline;
}

void Edit(MarkupDoc& doc) {
  doc.ResetPos();
  if (!doc.FindElem()) return;
  doc.SetAttrib(u"z", u"1\"'<&");
  doc.AddElem(u"k", u"v&<]]>", MarkupDoc::kAddChild);
  doc.IntoElem();
  if (doc.FindElem() && doc.FindElem()) {
    doc.SetData(u"d<&>");
    doc.AddElem(u"c", u"x]]>y", MarkupDoc::kAddCdata);
    if (doc.FindElem()) doc.RemoveElem();
  }
  doc.AddElem(u"tail", 5);
  doc.IntoElem();
  doc.AddElem(u"inner");
  doc.OutOfElem();
  doc.OutOfElem();
}

void Check(MarkupDoc& doc) {
  const bool wellFormed = doc.IsWellFormed();
  Walk(doc);
  MarkupDoc::ResultMessage(doc.GetResult());
  std::u16string events;
  vidmora::EncodeDocumentText(doc.GetDoc(), doc.GetDocFlags(), events);
  if (!wellFormed) return;
  Edit(doc);
  const std::u16string live = Walk(doc);
  MarkupDoc reparsed(doc.GetDoc());
  if (Walk(reparsed) != live) {
    std::fprintf(stderr, "index and text disagree after edits:\n%s\n", vidmora::ToUtf8(doc.GetDoc()).c_str());
    std::abort();
  }
}

std::string TempPath() {
  const char* base = std::getenv("TMPDIR");
  return std::string(base && *base ? base : "/tmp") + "/vidmora-markup-fuzz-" + std::to_string(::getpid()) + ".xml";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  {
    MarkupDoc doc(vidmora::FromUtf8(bytes));
    Check(doc);
  }
  {
    std::u16string units(size / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    MarkupDoc doc(units);
    Check(doc);
  }
  {
    static const std::string path = TempPath();
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
      std::fwrite(data, 1, size, file);
      std::fclose(file);
      MarkupDoc doc;
      doc.Load(vidmora::FromUtf8(path));
      Check(doc);
      std::remove(path.c_str());
    }
  }
  return 0;
}
