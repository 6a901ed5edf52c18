#include "player/playback_time.h"

#include <cmath>

namespace vidplay {

QString PlaybackTimeText(double seconds) {
  const long long whole = std::isfinite(seconds) && seconds > 0 ? static_cast<long long>(std::floor(seconds)) : 0;
  const long long hours = whole / 3600;
  const long long minutes = whole / 60 % 60;
  const long long secs = whole % 60;
  if (hours > 0) {
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(secs, 2, 10, QLatin1Char('0'));
  }
  return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, QLatin1Char('0'));
}

}  // namespace vidplay
