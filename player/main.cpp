// vidplay: plays one clip with a watermark template painted over it, as the
// main window's preview starts it.
//
//   vidplay APPLICATION TEMPLATE FILE WIDTH HEIGHT
//
// Exit status: 0 after normal playing, 1 when the clip or the template could
// not be used (a message was shown in the window), 2 for a malformed line.
// VIDPLAY_MPV_OPTIONS ("name=value,...") adds mpv options, for tests and
// benchmarks (e.g. "ao=null").

#include "app/support/crash_reporter.h"
#include "common/platform/runtime_folder.h"
#include "player/player_arguments.h"
#include "player/player_window.h"

#include <QApplication>
#include <QSurfaceFormat>

#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
  // Before any thread starts: a crash leaves its report in the data folder.
  vidmora::InstallCrashReporter();
  // Where the session sets no runtime folder, a private one of this run's, so
  // that Qt has one and says nothing.
  const quorvil::RuntimeFolderForProcess runtimeFolder;
  // The player writes nothing, not even Qt's cache of compiled shaders.
  QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
  QApplication app(argc, argv);
  // mpv reads numbers with the C locale's rules; Qt sets the user's. Set
  // before mpv is created, and nothing else of ours reads the locale.
  std::setlocale(LC_NUMERIC, "C");  // NOLINT(concurrency-mt-unsafe)

  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  QString error;
  const std::optional<vidplay::PlayerArguments> parsed = vidplay::ParsePlayerArguments(arguments, error);
  if (!parsed) {
    std::fprintf(stderr, "vidplay: %s\n%s", error.toLocal8Bit().constData(),
                 vidplay::PlayerUsage().toLocal8Bit().constData());
    return 2;
  }
  QApplication::setApplicationName(QStringLiteral("vidplay"));
  QApplication::setApplicationDisplayName(parsed->applicationName);

  vidplay::PlayerWindow window(*parsed, qEnvironmentVariable("VIDPLAY_MPV_OPTIONS"));
  window.show();
  window.Start();
  const int status = app.exec();
  if (const vidplay::MpvPlayer* player = window.Player()) {
    const vidplay::PlaybackCounters& counters = player->Counters();
    std::printf("vidplay: frames dropped %lld by the output and %lld by the decoder, %lld delayed\n",
                counters.droppedByOutput, counters.droppedByDecoder, counters.delayed);
  }
  return status != 0 ? status : window.ExitStatus();
}
