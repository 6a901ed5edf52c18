#include "app/processing/auto_rates.h"

#include "app/processing/encoding_settings.h"

namespace vidmora {

QString BitRateArgument(const QString& setting) {
  return IsAuto(setting) ? QString("0k") : setting + "k";
}

}  // namespace vidmora
