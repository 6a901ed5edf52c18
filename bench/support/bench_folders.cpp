#include "bench/support/bench_folders.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace vidmora::bench {

namespace {

[[noreturn]] void Stop(const char* what, const char* why) {
  std::fprintf(stderr, "benchmark: %s: %s\n", what, why);
  std::exit(1);
}

}  // namespace

BenchFolders::BenchFolders() {
  std::string pattern = "/tmp/vidmora-bench-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) Stop("cannot make a folder of its own in /tmp", std::strerror(errno));
  const std::filesystem::path root = pattern;
  const std::pair<const char*, const char*> folders[] = {
      {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"}, {"XDG_CACHE_HOME", "cache"}, {"TMPDIR", "tmp"}};
  for (const auto& [variable, name] : folders) {
    const std::filesystem::path folder = root / name;
    std::error_code error;
    if (!std::filesystem::create_directory(folder, error)) {
      std::error_code ignored;
      std::filesystem::remove_all(root, ignored);
      Stop(("cannot make " + folder.string()).c_str(), error.message().c_str());
    }
    setenv(variable, folder.c_str(), 1);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  root_ = root;
}

BenchFolders::~BenchFolders() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

int RunBenchmarks(int& argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace vidmora::bench
