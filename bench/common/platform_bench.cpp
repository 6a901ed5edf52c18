// Costs of the INI files and of one log line. Runs in a temporary folder
// (HOME, XDG_DATA_HOME and the INI file point there).
#include "common/platform/profile_ini.h"
#include "logging/log_interface.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path& Folder() {
  static const fs::path folder = [] {
    std::string pattern = (fs::temp_directory_path() / "vidmora-bench-XXXXXX").string();
    fs::path made = mkdtemp(pattern.data());
    setenv("HOME", made.c_str(), 1);
    setenv("XDG_DATA_HOME", (made / "data").c_str(), 1);
    return made;
  }();
  return folder;
}

// A language file of some size: 20 sections of 50 keys.
fs::path LanguageFile() {
  fs::path file = Folder() / "lang_en.ini";
  std::ofstream out(file, std::ios::binary);
  for (int section = 0; section < 20; ++section) {
    out << "[DIALOG_IDD_" << section << "]\r\n";
    for (int key = 0; key < 50; ++key) out << 1000 + key << "=Some control text " << key << "\r\n";
  }
  return file;
}

void IniReadLastKey(benchmark::State& state) {
  const fs::path file = LanguageFile();
  for (auto _ : state)
    benchmark::DoNotOptimize(quorvil::GetPrivateProfileString(u"dialog_idd_19", u"1049", u"", file));
}
BENCHMARK(IniReadLastKey);

void IniWriteKey(benchmark::State& state) {
  const fs::path file = LanguageFile();
  int value = 0;
  for (auto _ : state)
    quorvil::WritePrivateProfileString(u"DIALOG_IDD_10", u"1025", std::u16string(1, u'0' + (value++ % 10)), file);
}
BENCHMARK(IniWriteKey)->Unit(benchmark::kMicrosecond);

void LogLine(benchmark::State& state) {
  CLogInterface* log = CLogInterface::GetInstance(u"VidmoraBench");
  const std::u16string line = u"frame=  120 fps= 60 q=28.0 size=     512kB time=00:00:04.80 bitrate= 873.8kbits/s";
  for (auto _ : state) log->DoLogMessage(line);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(LogLine)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  Folder();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  fs::remove_all(Folder(), ignored);
  return 0;
}
