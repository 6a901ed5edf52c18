#include "app/processing/settings/quick_start_choice.h"

#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/output_preferences.h"
#include "shared/markup/markup_doc.h"
#include "shared/text/wide_number.h"

namespace vidmora {

namespace {

constexpr char16_t kKey[] = u"OpenQuickStartDlg";

std::u16string PreferencesPath() { return DataFile(kPreferencesFileName).toStdU16String(); }

bool IntoPreferences(MarkupDoc& doc) {
  return doc.Load(PreferencesPath()) && doc.FindElem(u"Preferences") && doc.IntoElem();
}

}  // namespace

std::optional<bool> ReadQuickStartHidden() {
  MarkupDoc doc;
  if (!IntoPreferences(doc)) return std::nullopt;
  if (!doc.FindElem(kKey)) return false;
  return WideToInt(doc.GetData()) == 1;
}

bool StoreQuickStartHidden(bool hidden) {
  MarkupDoc doc;
  if (!IntoPreferences(doc)) return false;
  const int value = hidden ? 1 : 0;
  const bool set = doc.FindElem(kKey) ? doc.SetData(value) : doc.AddElem(kKey, value);
  return set && doc.Save(PreferencesPath());
}

}  // namespace vidmora
