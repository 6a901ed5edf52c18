#include "shared/template/layer_file.h"

#include <span>
#include <vector>

#include "shared/markup/markup_doc.h"
#include "shared/template/template_files.h"
#include "shared/text/wide_number.h"

namespace vidmora {

namespace {

constexpr std::u16string_view kRoot = u"WatermarkConf";
constexpr std::u16string_view kTextSection = u"Text";
constexpr std::u16string_view kImageSection = u"Image";
constexpr std::u16string_view kTimingSection = u"Timing";
constexpr std::u16string_view kMotionSection = u"Motion";

// The element data of a key's value, as written to files. Colours are
// written with "%d" like every other number and read back unsigned.
std::u16string ValueText(const LayerKey& key, const EditedLayer& layer, const LogFont& font) {
  return key.kind == LayerKeyKind::kFont ? EncodeByteList(font) : layer.*key.text;
}

int ValueNumber(const LayerKey& key, const EditedLayer& layer) {
  return key.kind == LayerKeyKind::kUnsigned ? static_cast<int>(layer.*key.unsignedValue) : layer.*key.intValue;
}

bool IsNumber(const LayerKey& key) { return key.kind == LayerKeyKind::kInt || key.kind == LayerKeyKind::kUnsigned; }

void AddKey(MarkupDoc& doc, const LayerKey& key, const EditedLayer& layer, const LogFont& font) {
  if (IsNumber(key)) {
    doc.AddElem(key.name, ValueNumber(key, layer));
  } else {
    doc.AddElem(key.name, ValueText(key, layer, font));
  }
}

void AddSection(MarkupDoc& doc, std::u16string_view section, std::span<const LayerKey> keys,
                const EditedLayer& layer) {
  doc.AddElem(section);
  doc.IntoElem();
  for (const LayerKey& key : keys) AddKey(doc, key, layer, DefaultLogFont());
  doc.OutOfElem();
}

// Reads the keys of the entered section in order; returns whether the last
// key was found.
bool ReadKeys(MarkupDoc& doc, std::span<const LayerKey> keys, EditedLayer& layer) {
  bool found = false;
  for (const LayerKey& key : keys) {
    found = doc.FindElem(key.name);
    if (!found) continue;
    const std::u16string data = doc.GetData();
    switch (key.kind) {
      case LayerKeyKind::kText: layer.*key.text = data; break;
      case LayerKeyKind::kFont: ParseFontData(data, layer.font); break;
      case LayerKeyKind::kInt: layer.*key.intValue = WideToInt(data); break;
      case LayerKeyKind::kUnsigned: layer.*key.unsignedValue = WideToUnsigned(data); break;
    }
  }
  return found;
}

// Updates the keys of the entered section in order; a missing key named in
// `added` is added after the last key found.
void WriteKeys(MarkupDoc& doc, std::span<const LayerKey> keys, const EditedLayer& layer,
               std::span<const std::u16string_view> added) {
  for (const LayerKey& key : keys) {
    if (doc.FindElem(key.name)) {
      if (IsNumber(key)) {
        doc.SetData(ValueNumber(key, layer));
      } else {
        doc.SetData(ValueText(key, layer, layer.font));
      }
      continue;
    }
    for (std::u16string_view name : added) {
      if (name == key.name) AddKey(doc, key, layer, layer.font);
    }
  }
}

// The optional sections after "Image", each written only when it holds
// something, so that a layer without them gets the file it always got.
struct OptionalSection {
  std::u16string_view name;
  std::span<const LayerKey> (*keys)();
  bool (EditedLayer::*wanted)() const;
};
constexpr OptionalSection kOptionalSections[] = {
    {kTimingSection, &TimingLayerKeys, &EditedLayer::HasTiming},
    {kMotionSection, &MotionLayerKeys, &EditedLayer::HasMotion},
};

// Reads the optional sections, each found after the section found before it.
void ReadOptionalSections(MarkupDoc& doc, EditedLayer& layer) {
  for (const OptionalSection& section : kOptionalSections) {
    if (!doc.FindElem(section.name)) continue;
    doc.IntoElem();
    ReadKeys(doc, section.keys(), layer);
    doc.OutOfElem();
  }
}

// Updates the optional sections the file has (adding their missing keys in
// order) and adds those it lacks when the layer needs them, after the last
// section found.
void WriteOptionalSections(MarkupDoc& doc, const EditedLayer& layer) {
  for (const OptionalSection& section : kOptionalSections) {
    if (doc.FindElem(section.name)) {
      doc.IntoElem();
      std::vector<std::u16string_view> names;
      for (const LayerKey& key : section.keys()) names.push_back(key.name);
      WriteKeys(doc, section.keys(), layer, names);
      doc.OutOfElem();
    } else if ((layer.*section.wanted)()) {
      AddSection(doc, section.name, section.keys(), layer);
    }
  }
}

}  // namespace

bool WriteNewLayerFile(std::u16string_view folder, std::u16string_view layerName, const EditedLayer& layer) {
  MarkupDoc doc;
  doc.SetDoc(kXmlDeclaration);
  doc.AddElem(kRoot);
  doc.IntoElem();
  AddSection(doc, kTextSection, TextLayerKeys(), layer);
  AddSection(doc, kImageSection, ImageLayerKeys(), layer);
  for (const OptionalSection& section : kOptionalSections)
    if ((layer.*section.wanted)()) AddSection(doc, section.name, section.keys(), layer);
  doc.OutOfElem();
  return doc.Save(NamedFilePath(folder, layerName));
}

std::optional<LayerFileParts> ReadLayerFile(std::u16string_view path, EditedLayer& layer) {
  MarkupDoc doc;
  if (!doc.Load(path)) return std::nullopt;
  LayerFileParts parts;
  EditedLayer values = layer;
  parts.root = doc.FindElem(kRoot);
  if (parts.root) {
    doc.IntoElem();
    parts.text = doc.FindElem(kTextSection);
    if (parts.text) {
      doc.IntoElem();
      if (!ReadKeys(doc, TextLayerKeys(), values)) values.scaleText = 1;
      doc.OutOfElem();
    }
    parts.image = doc.FindElem(kImageSection);
    if (parts.image) {
      doc.IntoElem();
      if (!ReadKeys(doc, ImageLayerKeys(), values)) values.scaleImage = 0;
      doc.OutOfElem();
    }
    ReadOptionalSections(doc, values);
  }
  layer = std::move(values);
  return parts;
}

bool LoadLayerFile(std::u16string_view path, EditedLayer& layer) { return ReadLayerFile(path, layer).has_value(); }

bool SaveLayerFile(std::u16string_view path, const EditedLayer& layer) {
  MarkupDoc doc;
  if (!doc.Load(path)) return false;
  if (doc.FindElem(kRoot)) {
    doc.IntoElem();
    if (doc.FindElem(kTextSection)) {
      doc.IntoElem();
      constexpr std::u16string_view kAdded[] = {u"ScaleTextWT"};
      WriteKeys(doc, TextLayerKeys(), layer, kAdded);
      doc.OutOfElem();
    }
    if (doc.FindElem(kImageSection)) {
      doc.IntoElem();
      constexpr std::u16string_view kAdded[] = {u"ImageWidth", u"ImageHeight", u"ScaleImgWT"};
      WriteKeys(doc, ImageLayerKeys(), layer, kAdded);
      doc.OutOfElem();
    }
    WriteOptionalSections(doc, layer);
  }
  return doc.Save(path);
}

}  // namespace vidmora
