#pragma once

// The character encodings of MarkupDoc files: recognising a file's encoding
// (byte-order mark, declared encoding, UTF-8 detection), turning its bytes
// into the document's UTF-16 text and back. Each step appends its events to
// a result text (see markup_result.h). Pure functions; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace vidmora {

// The encoding that the start of an 8-bit text declares: the "encoding" of a
// leading XML declaration, or the charset of an HTML meta element; empty
// when there is none.
std::string DeclaredEncoding(std::string_view head);

// Turns a whole file into document text. `docFlags` gets its encoding flags
// (UTF-16 LE, UTF-16 BE, UTF-8 mark) set from the file; other flags are
// kept. Records "bom", "read", "nulls_removed", "endian_swap",
// "truncation_error", "utf8_detection", "converted_to", "conversion_loss".
std::u16string DecodeDocumentBytes(std::string_view bytes, int& docFlags, std::u16string& result);

// Turns document text into file bytes in the encoding that the flags or the
// text's declaration name (UTF-8 when neither does), with a byte-order mark
// when a flag asks for one. Characters that the encoding cannot hold are
// written as character references. nullopt (with a "file_error" event) when
// the encoding cannot be written here.
std::optional<std::string> EncodeDocumentText(std::u16string_view text, int docFlags, std::u16string& result);

}  // namespace vidmora
