#pragma once

// The index file ("qthumb.xml": "Templates" holding one "template" element
// per template name) and the template files ("<name>.xml": "Layers" holding
// one "layer" element per layer name) of the templates folder.
//
// Written in the one form every file of the folder has: the declaration
// kXmlDeclaration, then one element a line, CR LF, no indentation, UTF-8
// without a byte-order mark. Names are stored escaped and read back as they
// were given. The functions keep no state; any thread (one call per file at
// a time). Saving replaces a file whole or leaves it as it was.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vidmora {

inline constexpr std::u16string_view kXmlDeclaration = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
inline constexpr std::u16string_view kIndexFileName = u"qthumb.xml";

// "<folder>/qthumb.xml" and "<folder>/<name>.xml".
std::u16string IndexFilePath(std::u16string_view folder);
std::u16string NamedFilePath(std::u16string_view folder, std::u16string_view name);

// A list file: its top-level element and the name of its items.
struct NameListKind {
  std::u16string_view root;
  std::u16string_view item;
};
inline constexpr NameListKind kTemplateIndex{u"Templates", u"template"};
inline constexpr NameListKind kLayerList{u"Layers", u"layer"};

// Writes a new list file holding `names` in order (replacing any file there).
bool WriteNameList(std::u16string_view path, NameListKind kind, std::span<const std::u16string> names);

// The item names in file order; nullopt when the file cannot be loaded or
// parsed; an empty list when it has no root element of that name.
std::optional<std::vector<std::u16string>> ReadNameList(std::u16string_view path, NameListKind kind);

// Appends `name` after the last item of an existing list file. False when
// the file cannot be loaded, has no root element or cannot be written.
bool AppendToNameList(std::u16string_view path, NameListKind kind, std::u16string_view name);

// Removes, or renames to `newName`, the first item whose name equals `name`
// exactly. False when the file cannot be loaded or written or holds no such
// item (the file is then left untouched).
bool RemoveFromNameList(std::u16string_view path, NameListKind kind, std::u16string_view name);
bool RenameInNameList(std::u16string_view path, NameListKind kind, std::u16string_view name,
                      std::u16string_view newName);

}  // namespace vidmora
