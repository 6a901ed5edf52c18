// vidmora-cli: watermarks videos with the stored template and settings, the
// same engine as the window's, without a window.

#include "app/processing/engine.h"
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/interrupt_watch.h"
#include "common/platform/runtime_folder.h"
#include "shared/version.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
  using namespace vidmora;
  using namespace vidmora::cli;

  // Before any thread exists, so that only the watcher takes Ctrl-C.
  InterruptWatch::BlockSignals();
  // Where the session sets no runtime folder, a private one of this run's, so
  // that Qt has one and says nothing.
  const quorvil::RuntimeFolderForProcess runtimeFolder;
  // Painting needs a QGuiApplication; this program never shows a window.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  // Names are carried as text from here on; bytes that are not UTF-8 would
  // come out as another name, so such an argument is refused as it stands.
  for (int i = 1; i < argc; ++i) {
    if (QString::fromLocal8Bit(argv[i]).toLocal8Bit() != QByteArray(argv[i])) {
      PrintError(QString("the argument \"%1\" is not valid UTF-8; rename the file (e.g. with convmv) and try again")
                     .arg(QString::fromLocal8Bit(argv[i])));
      return kExitUsage;
    }
  }

  QString error;
  const std::optional<CliOptions> options = ParseCommandLine(app.arguments().mid(1), error);
  if (!options) {
    PrintError(error + "\nTry 'vidmora-cli --help'.");
    return kExitUsage;
  }
  switch (options->command) {
    case Command::Help:
      std::fputs(UsageText().toLocal8Bit().constData(), stdout);
      return kExitOk;
    case Command::Version:
      std::printf("vidmora-cli %s\n", kVersionText);
      return kExitOk;
    default:
      break;
  }

  // The same first-start preparation as the window's: data folder,
  // "preference.xml" and the demo template.
  const EngineStart start = StartEngine();
  for (const QString& warning : start.warnings) PrintError("warning: " + warning);

  switch (options->command) {
    case Command::Render: return RunRenderCommand(*options);
    case Command::Templates: return RunTemplatesCommand(*options);
    case Command::Watch: return RunWatchCommand(*options);
    default: return RunBatchCommand(*options);
  }
}
