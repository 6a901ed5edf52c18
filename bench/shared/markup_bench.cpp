// Parsing and searching a 10 MB document of layer-file sections.
// Throughput is reported in bytes of text (one byte per UTF-16 code unit
// here, since the text is ASCII).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "shared/markup/markup_doc.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/text/utf.h"

namespace {

using vidmora::MarkupDoc;

constexpr size_t kTargetUnits = size_t{10} * 1000 * 1000;

// Many layer files' "WatermarkConf" sections under one root.
const std::u16string& BigDocument() {
  static const std::u16string text = [] {
    vidmora::EditedLayer layer;
    vidmora::ApplyNewLayerValues(layer, u"Vidmora & friends <2>");
    MarkupDoc doc(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Layers/>\r\n");
    doc.FindElem();
    doc.IntoElem();
    while (doc.GetDoc().size() < kTargetUnits) {
      doc.AddElem(u"WatermarkConf");
      doc.IntoElem();
      const auto addSection = [&](std::u16string_view name, std::span<const vidmora::LayerKey> keys) {
        doc.AddElem(name);
        doc.IntoElem();
        for (const vidmora::LayerKey& key : keys) {
          if (key.kind == vidmora::LayerKeyKind::kText) {
            doc.AddElem(key.name, layer.*key.text);
          } else if (key.kind == vidmora::LayerKeyKind::kFont) {
            doc.AddElem(key.name, vidmora::EncodeByteList(vidmora::DefaultLogFont()));
          } else {
            doc.AddElem(key.name, 12345);
          }
        }
        doc.OutOfElem();
      };
      addSection(u"Text", vidmora::TextLayerKeys());
      addSection(u"Image", vidmora::ImageLayerKeys());
      doc.OutOfElem();
    }
    return doc.GetDoc();
  }();
  return text;
}

void BM_Parse(benchmark::State& state) {
  const std::u16string& text = BigDocument();
  for (auto _ : state) {
    MarkupDoc doc;
    benchmark::DoNotOptimize(doc.SetDoc(text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

// Every key of every section found by name, with its data read.
void BM_FindElem(benchmark::State& state) {
  const std::u16string& text = BigDocument();
  MarkupDoc doc(text);
  size_t found = 0;
  for (auto _ : state) {
    doc.ResetPos();
    doc.FindElem(u"Layers");
    doc.IntoElem();
    while (doc.FindElem(u"WatermarkConf")) {
      doc.IntoElem();
      if (doc.FindElem(u"Text")) {
        doc.IntoElem();
        for (const vidmora::LayerKey& key : vidmora::TextLayerKeys()) {
          if (doc.FindElem(key.name)) found += doc.GetData().size();
        }
        doc.OutOfElem();
      }
      if (doc.FindElem(u"Image")) {
        doc.IntoElem();
        for (const vidmora::LayerKey& key : vidmora::ImageLayerKeys()) {
          if (doc.FindElem(key.name)) found += doc.GetData().size();
        }
        doc.OutOfElem();
      }
      doc.OutOfElem();
    }
  }
  benchmark::DoNotOptimize(found);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FindElem)->Unit(benchmark::kMillisecond);

// Reading the document from a UTF-8 file: conversion and parse.
void BM_Load(benchmark::State& state) {
  const std::string bytes = vidmora::ToUtf8(BigDocument());
  const char* base = std::getenv("TMPDIR");
  const std::string path = std::string(base && *base ? base : "/tmp") + "/vidmora-bench-markup.xml";
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  const std::u16string widePath = vidmora::FromUtf8(path);
  for (auto _ : state) {
    MarkupDoc doc;
    benchmark::DoNotOptimize(doc.Load(widePath));
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
