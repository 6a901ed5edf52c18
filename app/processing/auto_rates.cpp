#include "app/processing/auto_rates.h"

namespace vidmora {

QString BitRateArgument(const AutoOr<int>& kbps) { return QString::number(kbps.value_or(0)) + "k"; }

}  // namespace vidmora
