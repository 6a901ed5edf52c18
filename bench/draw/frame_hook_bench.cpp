// Cost of watermarking one 1920 × 1080 frame with three templates: the demo
// text, shadow + edge + fill + a 300 × 300 logo with alpha, and cover tiles
// over the whole frame. "overlay" is the frame hook as the encoder calls it;
// "direct" paints every layer onto every frame, as previews do. "timed" is
// the frame hook at each frame's time (40 ms apart over a 10-s clip) with a
// fading, drifting logo and a bouncing text, each laid on with its opacity
// and offset.
//
//   bench_frame_hook --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include "bench/support/bench_engine.h"
#include "bench/support/bench_folders.h"
#include "bench/support/bench_templates.h"
#include "draw/glyphra.h"
#include "shared/template/edited_layer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

std::filesystem::path g_templates;

void WriteTemplate(const std::u16string& name, const std::vector<vidmora::EditedLayer>& layers) {
  if (!vidmora::bench::WriteTemplate(g_templates.u16string(), name, layers))
    throw std::runtime_error("cannot write the templates");
}

using vidmora::bench::DemoLayer;

std::u16string MakeLogo() {
  QImage logo(300, 300, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  QRadialGradient gradient(150, 150, 150);
  gradient.setColorAt(0, QColor(255, 255, 255, 230));
  gradient.setColorAt(1, QColor(30, 90, 200, 60));
  painter.setBrush(gradient);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(logo.rect());
  painter.end();
  const auto path = g_templates / "logo.png";
  logo.save(QString::fromStdString(path.string()));
  return path.u16string();
}

void WriteTemplates() {
  WriteTemplate(u"Demo", {DemoLayer()});

  vidmora::EditedLayer logo = DemoLayer();
  logo.addShadow = 1;
  logo.shadowBlurRadius = 4;
  logo.shadowAlpha = 20;
  logo.drawEdge = 1;
  logo.imagePathName = MakeLogo();
  logo.imageLocation = 8;
  logo.imageOffsetH = -40;
  logo.imageOffsetV = -40;
  logo.imageTransparency = 80;
  WriteTemplate(u"Logo", {logo});

  vidmora::EditedLayer cover = DemoLayer();
  cover.fillText = 0;
  cover.coverImage = 1;
  cover.coverImageMethod = 0;
  WriteTemplate(u"Cover", {cover});

  // A fading logo drifting from the bottom right to the top left, and a text bouncing about.
  WriteTemplate(u"Timed", {vidmora::bench::DriftingLogoLayer(logo.imagePathName), vidmora::bench::BouncingTextLayer()});
  WriteTemplate(u"Clock", {vidmora::bench::TimecodeLayer()});
}

struct FrameBuffer {
  FrameBuffer() : bytes(size_t(kWidth) * 3 * kHeight) {
    std::mt19937 random(7);
    for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
  }
  std::vector<unsigned char> bytes;  // 1920 × 3 is a multiple of 4: no padding
};

void Overlay(benchmark::State& state, const char16_t* templateName) {
  if (PrepareWMForDrawlixDll(templateName, kWidth, kHeight, 2) != 0) state.SkipWithError("template not loaded");
  FrameBuffer frame;
  for (auto _ : state) {
    benchmark::DoNotOptimize(cplusplusout(frame.bytes.data(), kWidth, kHeight));
    benchmark::ClobberMemory();
  }
}

void Timed(benchmark::State& state, const char16_t* templateName) {
  if (PrepareWMForDrawlixDll(templateName, kWidth, kHeight, 2) != 0) state.SkipWithError("template not loaded");
  FrameBuffer frame;
  long long frameMs = 0;
  for (auto _ : state) {
    SetFrameHookTime(frameMs, 10000);
    benchmark::DoNotOptimize(cplusplusout(frame.bytes.data(), kWidth, kHeight));
    benchmark::ClobberMemory();
    frameMs = (frameMs + 40) % 10000;
  }
  SetFrameHookTime(-1, 0);
}

// Frame tokens: every frame shows its own timecode (29.97, drop-frame).
void Timecode(benchmark::State& state, const char16_t* templateName) {
  if (PrepareWMForDrawlixDll(templateName, kWidth, kHeight, 2) != 0) state.SkipWithError("template not loaded");
  FrameBuffer frame;
  long long index = 0;
  for (auto _ : state) {
    SetFrameHookTime(index * 1001 / 30, 0);
    SetFrameHookClock(index, 30000, 1001, "10:00:00;00");
    benchmark::DoNotOptimize(cplusplusout(frame.bytes.data(), kWidth, kHeight));
    benchmark::ClobberMemory();
    ++index;
  }
  SetFrameHookTime(-1, 0);
  SetFrameHookClock(-1, 0, 1, nullptr);
}

void Direct(benchmark::State& state, const char16_t* templateName) {
  if (PrepareWMForDrawlixDll(templateName, kWidth, kHeight, 2) != 0) state.SkipWithError("template not loaded");
  FrameBuffer frame;
  for (auto _ : state) {
    QImage image(frame.bytes.data(), kWidth, kHeight, kWidth * 3, QImage::Format_BGR888);
    glyphra::Graphics graphics(image);
    DrawGraphicsWithTempConf(&graphics);
    benchmark::ClobberMemory();
  }
}

#define VIDMORA_FRAME_BENCH(kind, name, templateName) \
  BENCHMARK_CAPTURE(kind, name, templateName)->Unit(benchmark::kMillisecond)

VIDMORA_FRAME_BENCH(Overlay, demo, u"Demo");
VIDMORA_FRAME_BENCH(Direct, demo, u"Demo");
VIDMORA_FRAME_BENCH(Overlay, logo, u"Logo");
VIDMORA_FRAME_BENCH(Direct, logo, u"Logo");
VIDMORA_FRAME_BENCH(Overlay, cover_tiles, u"Cover");
VIDMORA_FRAME_BENCH(Direct, cover_tiles, u"Cover");
VIDMORA_FRAME_BENCH(Overlay, timed_untimed_frames, u"Timed");
VIDMORA_FRAME_BENCH(Timed, fading_drifting_logo_bouncing_text, u"Timed");
VIDMORA_FRAME_BENCH(Timecode, burnt_in_timecode_1080p, u"Clock");

}  // namespace

int main(int argc, char** argv) {
  const vidmora::bench::BenchFolders folders;
  QGuiApplication app(argc, argv);

  // The drawing library, set up by the engine as in the programs.
  const std::optional<std::filesystem::path> templates = vidmora::bench::StartEngineForBenchmark();
  if (!templates) return 1;
  g_templates = *templates;
  WriteTemplates();
  return vidmora::bench::RunBenchmarks(argc, argv);
}
