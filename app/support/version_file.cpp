#include "app/support/version_file.h"

#include "common/platform/profile_ini.h"
#include "shared/version.h"

namespace vidmora {

namespace {

constexpr std::u16string_view kSection = u"Gerneral";
// Never a number, so it tells a missing key from a present one.
constexpr std::u16string_view kMissing = u"\n";

// The key's number; 0 when missing and `required` is false; empty when it is
// required and missing, or present but not a number.
std::optional<int> ReadNumber(std::string_view bytes, std::u16string_view key, bool required) {
  const std::u16string text = quorvil::GetProfileStringFromBytes(kSection, key, kMissing, bytes);
  if (text == kMissing) return required ? std::nullopt : std::optional<int>(0);
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

}  // namespace

QString ProgramVersion::ToText() const { return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build); }

ProgramVersion CurrentProgramVersion() { return {kVersionMajor, kVersionMinor, kVersionBuild}; }

std::optional<ProgramVersion> ReadVersionFile(const QByteArray& bytes) {
  const std::string_view text(bytes.constData(), static_cast<size_t>(bytes.size()));
  const auto major = ReadNumber(text, u"major_version", true);
  const auto minor = ReadNumber(text, u"minor_version", false);
  const auto build = ReadNumber(text, u"build", false);
  if (!major || !minor || !build) return std::nullopt;
  return ProgramVersion{*major, *minor, *build};
}

}  // namespace vidmora
