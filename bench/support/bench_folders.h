#pragma once

#include <filesystem>

namespace vidmora::bench {

// A benchmark program's own folders under one fresh folder in /tmp, removed
// with the object: XDG_DATA_HOME (data/), XDG_CONFIG_HOME (config/),
// XDG_CACHE_HOME (cache/) and TMPDIR (tmp/) point there, so the user's
// templates, preferences and cache are never touched. Make it before the
// QGuiApplication, which reads the environment; the Qt platform is
// "offscreen" unless QT_QPA_PLATFORM says otherwise. A program that cannot
// make them stops with a message: it would otherwise measure in the user's.
class BenchFolders {
 public:
  BenchFolders();
  ~BenchFolders();
  BenchFolders(const BenchFolders&) = delete;
  BenchFolders& operator=(const BenchFolders&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path DataHome() const { return root_ / "data"; }

 private:
  std::filesystem::path root_;
};

// Runs the benchmarks that Google Benchmark's own flags in `argv` select.
int RunBenchmarks(int& argc, char** argv);

}  // namespace vidmora::bench
