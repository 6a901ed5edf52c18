#pragma once

// The command line of vidplay, as the main window starts it:
//
//   vidplay APPLICATION TEMPLATE FILE WIDTH HEIGHT
//
// APPLICATION names the data folder that holds the templates, TEMPLATE is the
// template painted over the clip, FILE the clip, WIDTH and HEIGHT the frame
// size the window's probe found (0 0 when it could not read the file).

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace vidplay {

struct PlayerArguments {
  QString applicationName;
  QString templateName;
  QString filePath;
  QSize frameSize;  // as the caller probed it; may be 0 x 0
};

// Parses the arguments (without the program name). On a malformed line
// returns nothing and sets `error` to one line that says what is wrong.
std::optional<PlayerArguments> ParsePlayerArguments(const QStringList& arguments, QString& error);

// The expected form, for a malformed line.
QString PlayerUsage();

}  // namespace vidplay
