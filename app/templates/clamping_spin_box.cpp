#include "app/templates/clamping_spin_box.h"

#include <algorithm>
#include <optional>

namespace vidmora {

namespace {

// An integer with an optional sign, or nothing when the text is not one.
std::optional<qlonglong> ParseInteger(const QString& text, bool& partial) {
  const QString trimmed = text.trimmed();
  partial = trimmed.isEmpty() || trimmed == QLatin1String("-") || trimmed == QLatin1String("+");
  if (partial) return std::nullopt;
  bool ok = false;
  const qlonglong value = trimmed.toLongLong(&ok);
  if (!ok) return std::nullopt;
  return value;
}

}  // namespace

ClampingSpinBox::ClampingSpinBox(QWidget* parent) : QSpinBox(parent) {
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State ClampingSpinBox::validate(QString& text, int& /*pos*/) const {
  bool partial = false;
  const std::optional<qlonglong> value = ParseInteger(text, partial);
  if (partial) return QValidator::Intermediate;
  // Ten digits are enough for any field; more would only be clamped.
  if (!value || text.trimmed().size() > 11) return QValidator::Invalid;
  return *value >= minimum() && *value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void ClampingSpinBox::fixup(QString& text) const {
  bool partial = false;
  const std::optional<qlonglong> value = ParseInteger(text, partial);
  if (!value) return;
  text = QString::number(std::clamp<qlonglong>(*value, minimum(), maximum()));
}

}  // namespace vidmora
