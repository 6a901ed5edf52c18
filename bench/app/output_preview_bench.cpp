// The output preview's picture of a 4K clip (3840 x 2160, H.264): made anew
// (frame grab at 3 s, template painted, PNG written to the cache) and read
// back from the cache. Both run on a pool thread in the program, so the
// window stays responsive either way; these say how long the busy indicator
// shows.
//
//   bench_output_preview --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "app/processing/engine.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/preview_cache.h"
#include "app/processing/templates/template_store.h"
#include "app/templates/preview_renderer.h"
#include "bench/support/bench_folders.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

QString g_clip;

void Render(benchmark::State& state, bool fromCache) {
  const QString encoderFolder = vidmora::EncoderLibraryFolder();
  const QString templates = vidmora::TemplatesFolder();
  vidmora::EmptyPreviewCache();
  if (fromCache) vidmora::RenderPreview(encoderFolder, templates, vidmora::kDemoTemplateName, g_clip);
  for (auto _ : state) {
    if (!fromCache) {
      state.PauseTiming();
      vidmora::EmptyPreviewCache();
      state.ResumeTiming();
    }
    const vidmora::PreviewPicture picture =
        vidmora::RenderPreview(encoderFolder, templates, vidmora::kDemoTemplateName, g_clip);
    if (picture.image.isNull()) state.SkipWithError(picture.error.toStdString().c_str());
    benchmark::DoNotOptimize(picture.image.constBits());
  }
}

void BM_Preview4kMadeAnew(benchmark::State& state) { Render(state, false); }
void BM_Preview4kFromTheCache(benchmark::State& state) { Render(state, true); }
BENCHMARK(BM_Preview4kMadeAnew)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Preview4kFromTheCache)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const vidmora::bench::BenchFolders folders;
  QGuiApplication app(argc, argv);
  vidmora::StartEngine();

  // Beside the folders, not under TMPDIR: emptying the cache removes <TMPDIR>/Vidmora.
  const std::string clip = (folders.Root() / "clip4k.mp4").string();
  const std::string make =
      "ffmpeg -v error -y -f lavfi -i testsrc2=size=3840x2160:rate=25:duration=5 "
      "-c:v libx264 -preset ultrafast -pix_fmt yuv420p '" +
      clip + "'";
  if (std::system(make.c_str()) != 0) return 1;
  g_clip = QString::fromStdString(clip);

  return vidmora::bench::RunBenchmarks(argc, argv);
}
