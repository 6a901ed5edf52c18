#pragma once

// The programs the window starts beside itself: the preview player "vidplay"
// and the feedback program "feedback", both from the program folder.

#include <QSize>
#include <QString>

namespace vidmora {

// vidplay's parameters: "Vidmora" "<template>" "<file>" <width> <height>.
QString PlayerParameters(const QString& templateName, const QString& filePath, QSize frameSize);

// Each returns false when the program could not be started.
bool StartPlayer(const QString& templateName, const QString& filePath, QSize frameSize);
bool StartFeedback();

}  // namespace vidmora
