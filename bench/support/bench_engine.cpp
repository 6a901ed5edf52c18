#include "bench/support/bench_engine.h"

#include "app/processing/engine.h"
#include "app/processing/settings/app_folders.h"

#include <cstdio>

namespace vidmora::bench {

std::optional<std::filesystem::path> StartEngineForBenchmark() {
  const EngineStart start = StartEngine();
  for (const QString& warning : start.warnings) std::fprintf(stderr, "benchmark: %s\n", qPrintable(warning));
  if (!start.preferencesReady) {
    std::fprintf(stderr, "benchmark: the data folder %s cannot be prepared\n", qPrintable(DataFolder()));
    return std::nullopt;
  }
  return std::filesystem::path(TemplatesFolder().toStdU16String());
}

}  // namespace vidmora::bench
