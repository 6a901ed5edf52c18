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

// One layer of a template file. `file` is its layer file's base name
// ("<file>.xml"): the item's text, as every reader of the format takes it.
// `name` is what the editor shows, unique only within its template; it is
// kept in the item's attribute "name" where it differs from `file`, so that
// a reader that knows no such attribute still finds the layer file.
struct ListedLayer {
  std::u16string name;
  std::u16string file;
  bool operator==(const ListedLayer&) const = default;
};
inline constexpr std::u16string_view kShownNameAttribute = u"name";

// The layers of a template file in order (as ReadNameList, with names).
std::optional<std::vector<ListedLayer>> ReadLayerList(std::u16string_view path);
// Writes a new template file listing `layers` in order.
bool WriteLayerList(std::u16string_view path, std::span<const ListedLayer> layers);
// Appends a layer after the last item of an existing template file.
bool AppendToLayerList(std::u16string_view path, const ListedLayer& layer);
// Gives the first layer whose file is `file` the shown name `newName`.
bool RenameInLayerList(std::u16string_view path, std::u16string_view file, std::u16string_view newName);

}  // namespace vidmora
