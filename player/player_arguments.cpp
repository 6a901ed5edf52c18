#include "player/player_arguments.h"

namespace vidplay {
namespace {

// Frame sizes beyond this are not video a probe would report.
constexpr int kLargestSide = 65535;

// A decimal number of 0 to kLargestSide, digits only.
std::optional<int> ParseSide(const QString& text) {
  if (text.isEmpty() || text.size() > 5) return std::nullopt;
  for (const QChar c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
  }
  const int value = text.toInt();
  if (value > kLargestSide) return std::nullopt;
  return value;
}

}  // namespace

std::optional<PlayerArguments> ParsePlayerArguments(const QStringList& arguments, QString& error) {
  if (arguments.size() != 5) {
    error = QStringLiteral("expected 5 arguments, got %1").arg(arguments.size());
    return std::nullopt;
  }
  PlayerArguments parsed;
  parsed.applicationName = arguments[0];
  parsed.templateName = arguments[1];
  parsed.filePath = arguments[2];
  if (parsed.applicationName.isEmpty()) {
    error = QStringLiteral("the application name is empty");
    return std::nullopt;
  }
  if (parsed.filePath.isEmpty()) {
    error = QStringLiteral("the file path is empty");
    return std::nullopt;
  }
  const std::optional<int> width = ParseSide(arguments[3]);
  const std::optional<int> height = ParseSide(arguments[4]);
  if (!width || !height) {
    error = QStringLiteral("the frame size \"%1 %2\" is not two whole numbers from 0 to %3")
                .arg(arguments[3], arguments[4])
                .arg(kLargestSide);
    return std::nullopt;
  }
  parsed.frameSize = QSize(*width, *height);
  return parsed;
}

QString PlayerUsage() {
  return QStringLiteral(
      "Usage: vidplay APPLICATION TEMPLATE FILE WIDTH HEIGHT\n"
      "Plays FILE with the watermark template TEMPLATE of APPLICATION (e.g. \"Vidmora\") painted over it.\n"
      "WIDTH and HEIGHT are the clip's frame size (0 0 when unknown).\n");
}

}  // namespace vidplay
