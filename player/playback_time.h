#pragma once

#include <QString>

namespace vidplay {

// "m:ss", or "h:mm:ss" from one hour on; whole seconds, rounded down.
// Negative and non-finite times read "0:00".
QString PlaybackTimeText(double seconds);

}  // namespace vidplay
