#include "cli/timing_words.h"

#include <QStringList>

#include <cstdlib>

namespace vidmora::cli {
namespace {

// Milliseconds as seconds, without needless decimals: "1.5 s", "60 s".
QString Seconds(long long ms) {
  QString text = QString::number(static_cast<double>(std::llabs(ms)) / 1000.0, 'f', 3);
  while (text.endsWith('0')) text.chop(1);
  if (text.endsWith('.')) text.chop(1);
  return text + " s";
}

QString AnchorName(int anchor) {
  static const char* const kNames[] = {"top left",     "top centre",  "top right",     "middle left", "centre",
                                       "middle right", "bottom left", "bottom centre", "bottom right"};
  return anchor >= 0 && anchor <= 8 ? kNames[anchor] : kNames[0];
}

}  // namespace

QString TimingInWords(const EditedLayer& layer) {
  if (!layer.HasTiming()) return "shown on every frame";
  QStringList parts;
  QString window = layer.startTime > 0 ? "from " + Seconds(layer.startTime) : QString("from the start");
  if (layer.endTime > 0) window += " to " + Seconds(layer.endTime);
  else if (layer.endTime < 0) window += " to " + Seconds(layer.endTime) + " before the end";
  else window += " to the end";
  parts << window;
  if (layer.repeatEvery > 0) {
    const int shown = layer.showFor > 0 && layer.showFor < layer.repeatEvery ? layer.showFor : layer.repeatEvery;
    parts << "every " + Seconds(layer.repeatEvery) + " for " + Seconds(shown);
  }
  if (layer.fadeIn > 0) parts << "fading in over " + Seconds(layer.fadeIn);
  if (layer.fadeOut > 0) parts << "fading out over " + Seconds(layer.fadeOut);
  return parts.join(", ");
}

QString MotionInWords(const EditedLayer& layer) {
  switch (layer.motionKind) {
    case 1:
      if (layer.motionPeriod <= 0) return "still (drift without a period)";
      return "drifts to the " + AnchorName(layer.motionToLocation) + " and back every " + Seconds(layer.motionPeriod);
    case 2:
      if (layer.motionSpeed <= 0) return "still (bounce without a speed)";
      return QString("bounces off the edges at %1% of the frame's width a second").arg(layer.motionSpeed);
    case 3:
      if (layer.motionPeriod <= 0) return "still (jump without a period)";
      return QString("jumps between the nine places every %1 (seed %2)")
          .arg(Seconds(layer.motionPeriod))
          .arg(layer.motionSeed);
    default: return "still";
  }
}

}  // namespace vidmora::cli
