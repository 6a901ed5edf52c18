// The template editor's repaint after one change: the change saved to the
// layer file, and the template painted over the 677 × 625 sample picture, for
// the demo template and for a template with shadow, outline and a logo.
// A repaint should stay well under one frame (16 ms). The save waits for
// the disk (the file is synced before it replaces the old one); the painting
// is measured alone as well. While a part is dragged (or nudged) its painted
// sheet is moved instead: the drag cases measure the sheets painted when the
// drag begins and one mouse move (the sheets composed, the part moved, made
// a pixmap for the preview label); a move should stay under 8 ms.
//
//   bench_editor_repaint --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include "app/processing/engine.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_store.h"
#include "app/templates/drag_preview.h"
#include "app/templates/editor_preview_paint.h"
#include "app/templates/layer_session.h"
#include "app/templates/sample_picture.h"
#include "bench/support/bench_folders.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTransform>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

QString g_folder;

void Repaint(benchmark::State& state, const QString& templateName) {
  vidmora::LayerSession session(g_folder, templateName);
  const QImage& sample = vidmora::SamplePicture();
  int step = 0;
  for (auto _ : state) {
    // A slider being dragged: one value after another.
    session.Change("Transparency", [&](vidmora::EditedLayer& l) { l.transparency = 150 + (++step % 100); });
    QImage preview = vidmora::PaintPreview(sample, session.LayersForPainting());
    benchmark::DoNotOptimize(preview.constBits());
  }
}

// The painting alone, without the save (which waits for the disk).
void PaintOnly(benchmark::State& state, const QString& templateName) {
  vidmora::LayerSession session(g_folder, templateName);
  const QImage& sample = vidmora::SamplePicture();
  for (auto _ : state) {
    QImage preview = vidmora::PaintPreview(sample, session.LayersForPainting());
    benchmark::DoNotOptimize(preview.constBits());
  }
}

// The sheets painted when the press begins a drag of the layer's text.
void DragBegin(benchmark::State& state, const QString& templateName) {
  vidmora::LayerSession session(g_folder, templateName);
  const QImage& sample = vidmora::SamplePicture();
  vidmora::DragPreview sheets;
  for (auto _ : state) {
    sheets.Begin(sample, session.LayersForPainting(), 0, vidmora::LayerPart::kText, -1);
    benchmark::DoNotOptimize(sheets.Active());
  }
}

// One mouse move of a drag: the text's sheet moved over the others.
void DragMove(benchmark::State& state, const QString& templateName, vidmora::LayerPart part) {
  vidmora::LayerSession session(g_folder, templateName);
  const QImage& sample = vidmora::SamplePicture();
  vidmora::DragPreview sheets;
  sheets.Begin(sample, session.LayersForPainting(), 0, part, -1);
  int step = 0;
  for (auto _ : state) {
    ++step;
    const QImage moved = sheets.Compose(QTransform::fromTranslate(step % 200, (step * 3) % 150));
    QPixmap shown = QPixmap::fromImage(moved);
    benchmark::DoNotOptimize(shown.cacheKey());
  }
}

void BM_RepaintDemo(benchmark::State& state) { Repaint(state, "Demo 1"); }
void BM_RepaintShadowOutlineLogo(benchmark::State& state) { Repaint(state, "Showcase"); }
void BM_PaintDemo(benchmark::State& state) { PaintOnly(state, "Demo 1"); }
void BM_PaintShadowOutlineLogo(benchmark::State& state) { PaintOnly(state, "Showcase"); }
void BM_DragBeginShadowOutlineLogo(benchmark::State& state) { DragBegin(state, "Showcase"); }
void BM_DragMoveDemo(benchmark::State& state) { DragMove(state, "Demo 1", vidmora::LayerPart::kText); }
void BM_DragMoveTextShadowOutlineLogo(benchmark::State& state) {
  DragMove(state, "Showcase", vidmora::LayerPart::kText);
}
void BM_DragMoveLogoShadowOutlineLogo(benchmark::State& state) {
  DragMove(state, "Showcase", vidmora::LayerPart::kPicture);
}
BENCHMARK(BM_DragBeginShadowOutlineLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragMoveDemo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragMoveTextShadowOutlineLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DragMoveLogoShadowOutlineLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RepaintDemo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RepaintShadowOutlineLogo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintDemo)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintShadowOutlineLogo)->Unit(benchmark::kMillisecond)->UseRealTime();

void MakeShowcase(const std::filesystem::path& root) {
  QImage logo(300, 300, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(230, 90, 40, 200));
  painter.drawEllipse(QRectF(10, 10, 280, 280));
  painter.end();
  const QString logoPath = QString::fromStdString((root / "logo.png").string());
  logo.save(logoPath);

  vidmora::AddTemplate(g_folder, "Showcase");
  vidmora::LayerSession session(g_folder, "Showcase");
  session.Change("design", [&](vidmora::EditedLayer& l) {
    l.addShadow = 1;
    l.shadowBlurRadius = 6;
    l.drawEdge = 1;
    l.edgeLineThickness = 3;
    l.imagePathName = logoPath.toStdU16String();
    l.imageWidth = 150;
    l.imageHeight = 150;
  });
}

}  // namespace

int main(int argc, char** argv) {
  const vidmora::bench::BenchFolders folders;
  QGuiApplication app(argc, argv);
  vidmora::StartEngine();
  g_folder = vidmora::TemplatesFolder();
  MakeShowcase(folders.Root());
  return vidmora::bench::RunBenchmarks(argc, argv);
}
