// feedback: writes a feedback mail to the program's support through the
// desktop's mail program. Started from the main window's help menu with the
// application name as its argument ("Vidmora" when none is given).

#include "app/support/crash_reporter.h"
#include "feedback/feedback_window.h"

#include <QApplication>

int main(int argc, char** argv) {
  // Before any thread starts: a crash leaves its report in the data folder.
  vidmora::InstallCrashReporter();
  QApplication app(argc, argv);
  const QStringList arguments = QApplication::arguments();
  const QString applicationName = arguments.size() > 1 && !arguments[1].isEmpty() ? arguments[1] : QStringLiteral("Vidmora");
  QApplication::setApplicationName(QStringLiteral("feedback"));
  QApplication::setApplicationDisplayName(applicationName);
  feedback::FeedbackWindow window(applicationName, QStringLiteral(VIDMORA_FEEDBACK_ADDRESS));
  window.show();
  return app.exec();
}
