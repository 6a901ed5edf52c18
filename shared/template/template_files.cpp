#include "shared/template/template_files.h"

#include "shared/markup/markup_doc.h"

namespace vidmora {

namespace {

// Loads a list file and enters its root element; false when either fails.
bool EnterList(MarkupDoc& doc, std::u16string_view path, NameListKind kind) {
  return doc.Load(path) && doc.FindElem(kind.root) && doc.IntoElem();
}

// Selects the first item whose data equals `name`.
bool FindItem(MarkupDoc& doc, NameListKind kind, std::u16string_view name) {
  while (doc.FindElem(kind.item)) {
    if (doc.GetData() == name) return true;
  }
  return false;
}

// Adds one layer item after the main position.
void AddLayerItem(MarkupDoc& doc, const ListedLayer& layer) {
  doc.AddElem(kLayerList.item, layer.file);
  if (layer.name != layer.file) doc.SetAttrib(kShownNameAttribute, layer.name);
}

}  // namespace

std::u16string IndexFilePath(std::u16string_view folder) { return std::u16string(folder) + u"/" + std::u16string(kIndexFileName); }

std::u16string NamedFilePath(std::u16string_view folder, std::u16string_view name) {
  return std::u16string(folder) + u"/" + std::u16string(name) + u".xml";
}

bool WriteNameList(std::u16string_view path, NameListKind kind, std::span<const std::u16string> names) {
  MarkupDoc doc;
  doc.SetDoc(kXmlDeclaration);
  doc.AddElem(kind.root);
  doc.IntoElem();
  for (const std::u16string& name : names) doc.AddElem(kind.item, name);
  doc.OutOfElem();
  return doc.Save(path);
}

std::optional<std::vector<std::u16string>> ReadNameList(std::u16string_view path, NameListKind kind) {
  MarkupDoc doc;
  if (!doc.Load(path)) return std::nullopt;
  std::vector<std::u16string> names;
  if (doc.FindElem(kind.root) && doc.IntoElem()) {
    while (doc.FindElem(kind.item)) names.push_back(doc.GetData());
  }
  return names;
}

bool AppendToNameList(std::u16string_view path, NameListKind kind, std::u16string_view name) {
  MarkupDoc doc;
  if (!EnterList(doc, path, kind)) return false;
  doc.AddElem(kind.item, name);
  return doc.Save(path);
}

bool RemoveFromNameList(std::u16string_view path, NameListKind kind, std::u16string_view name) {
  MarkupDoc doc;
  if (!EnterList(doc, path, kind) || !FindItem(doc, kind, name)) return false;
  doc.RemoveElem();
  return doc.Save(path);
}

bool RenameInNameList(std::u16string_view path, NameListKind kind, std::u16string_view name,
                      std::u16string_view newName) {
  MarkupDoc doc;
  if (!EnterList(doc, path, kind) || !FindItem(doc, kind, name)) return false;
  doc.SetData(newName);
  return doc.Save(path);
}

std::optional<std::vector<ListedLayer>> ReadLayerList(std::u16string_view path) {
  MarkupDoc doc;
  if (!doc.Load(path)) return std::nullopt;
  std::vector<ListedLayer> layers;
  if (doc.FindElem(kLayerList.root) && doc.IntoElem()) {
    while (doc.FindElem(kLayerList.item)) {
      ListedLayer layer{doc.GetAttrib(kShownNameAttribute), doc.GetData()};
      if (layer.name.empty()) layer.name = layer.file;
      layers.push_back(std::move(layer));
    }
  }
  return layers;
}

bool WriteLayerList(std::u16string_view path, std::span<const ListedLayer> layers) {
  MarkupDoc doc;
  doc.SetDoc(kXmlDeclaration);
  doc.AddElem(kLayerList.root);
  doc.IntoElem();
  for (const ListedLayer& layer : layers) AddLayerItem(doc, layer);
  doc.OutOfElem();
  return doc.Save(path);
}

bool AppendToLayerList(std::u16string_view path, const ListedLayer& layer) {
  MarkupDoc doc;
  if (!EnterList(doc, path, kLayerList)) return false;
  AddLayerItem(doc, layer);
  return doc.Save(path);
}

bool RenameInLayerList(std::u16string_view path, std::u16string_view file, std::u16string_view newName) {
  MarkupDoc doc;
  if (!EnterList(doc, path, kLayerList) || !FindItem(doc, kLayerList, file)) return false;
  // A name equal to the file's needs no attribute; an empty one reads as the file's.
  if (!doc.SetAttrib(kShownNameAttribute, newName == file ? std::u16string_view() : newName)) return false;
  return doc.Save(path);
}

}  // namespace vidmora
