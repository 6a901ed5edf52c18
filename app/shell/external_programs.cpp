#include "app/shell/external_programs.h"

#include "app/processing/engine.h"
#include "common/quorvil.h"

#include <QStringList>

namespace vidmora {

namespace {

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString ProgramInFolder(const QString& name) { return Quoted(ProgramFolder() + QLatin1Char('/') + name); }

// Show command 5 (show the window); the window does not wait for the program.
bool Start(const QString& program, const QString& parameters) {
  return DoShellCmd(program.toStdU16String().c_str(), parameters.toStdU16String().c_str(), 5, false, 0) == 1;
}

}  // namespace

QString PlayerParameters(const QString& templateName, const QString& filePath, QSize frameSize) {
  QStringList parts;
  parts << Quoted(QStringLiteral("Vidmora")) << Quoted(templateName) << Quoted(filePath)
        << QString::number(frameSize.width()) << QString::number(frameSize.height());
  return parts.join(QLatin1Char(' '));
}

bool StartPlayer(const QString& templateName, const QString& filePath, QSize frameSize) {
  return Start(ProgramInFolder(QStringLiteral("vidplay")), PlayerParameters(templateName, filePath, frameSize));
}

bool StartFeedback() { return Start(ProgramInFolder(QStringLiteral("feedback")), Quoted(QStringLiteral("Vidmora"))); }

}  // namespace vidmora
