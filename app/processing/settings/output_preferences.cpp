#include "app/processing/settings/output_preferences.h"

#include "shared/markup/markup_doc.h"
#include "shared/text/wide_number.h"

namespace vidmora {

namespace {

constexpr char16_t kDeclaration[] = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr char16_t kRoot[] = u"Preferences";

// Looks a value up from the start of "Preferences", so that elements in any
// order are found.
bool FindValue(MarkupDoc& doc, std::u16string_view key, std::u16string& value) {
  doc.ResetPos();
  if (!doc.FindElem(kRoot) || !doc.IntoElem() || !doc.FindElem(key)) return false;
  value = doc.GetData();
  return true;
}

void ReadInt(MarkupDoc& doc, std::u16string_view key, int& target) {
  std::u16string value;
  if (FindValue(doc, key, value)) target = WideToInt(value);
}

void ReadText(MarkupDoc& doc, std::u16string_view key, QString& target) {
  std::u16string value;
  if (FindValue(doc, key, value)) target = QString::fromStdU16String(value);
}

// Sets the value of `key` when the file has that element. An element written
// empty ("<Key/>") has no content to replace, so it is written anew in place.
void UpdateValue(MarkupDoc& doc, std::u16string_view key, std::u16string_view value) {
  doc.ResetPos();
  if (!doc.FindElem(kRoot) || !doc.IntoElem() || !doc.FindElem(key)) return;
  if (doc.SetData(value)) return;
  doc.RemoveElem();
  doc.AddElem(key, value);
}

// Sets the value of `key`; a file that lacks the element (older files lack the
// newer ones) gets it after its last element unless `value` is the default.
void SetOrAppendValue(MarkupDoc& doc, std::u16string_view key, std::u16string_view value,
                      std::u16string_view defaultValue) {
  std::u16string current;
  if (FindValue(doc, key, current)) return UpdateValue(doc, key, value);
  if (value == defaultValue) return;
  doc.ResetPos();
  if (doc.FindElem(kRoot) && doc.IntoElem()) doc.AddElem(key, value);
}

}  // namespace

bool IsFileNamePart(const QString& suffix) {
  for (const QChar c : suffix)
    if (c == u'/' || c.category() == QChar::Other_Control) return false;
  return true;
}

QString OutputNamingProblem(const OutputPreferences& preferences) {
  const QString file = QString::fromLatin1(kPreferencesFileName);
  if (preferences.outputFileNameOpts == 1 && !IsFileNamePart(preferences.outputFileNameSuffix))
    return QStringLiteral("The file name suffix \"%1\" of the preferences (%2) holds \"/\" or a control character "
                          "and cannot be part of a file name; no output is written.")
        .arg(preferences.outputFileNameSuffix, file);
  // A relative folder would depend on wherever the program was started.
  if (preferences.outputFolderOpts == 1 && !preferences.outputFolderPath.isEmpty() &&
      !preferences.outputFolderPath.startsWith(u'/'))
    return QStringLiteral("The output folder \"%1\" of the preferences (%2) is not a full path; no output is written.")
        .arg(preferences.outputFolderPath, file);
  return {};
}

OutputPreferences ReadOutputPreferences(const QString& path, const OutputPreferences& fallback) {
  OutputPreferences preferences = fallback;
  MarkupDoc doc;
  if (!doc.Load(path.toStdU16String())) return preferences;
  ReadInt(doc, u"OutputFolderOpts", preferences.outputFolderOpts);
  ReadText(doc, u"OutputFolderPath", preferences.outputFolderPath);
  ReadInt(doc, u"OutputFileNameOpts", preferences.outputFileNameOpts);
  ReadText(doc, u"OutputFileNameSuffix", preferences.outputFileNameSuffix);
  ReadInt(doc, u"OutputFormat", preferences.outputFormat);
  ReadInt(doc, u"JpegQuality", preferences.jpegQuality);
  ReadInt(doc, u"OpenQuickStartDlg", preferences.openQuickStartDlg);
  int filesAtOnce = preferences.filesAtOnce;
  ReadInt(doc, u"FilesAtOnce", filesAtOnce);
  if (filesAtOnce >= 1 && filesAtOnce <= kMaxFilesAtOnce) preferences.filesAtOnce = filesAtOnce;
  int onlyMarked = preferences.onlyReencodeMarked;
  ReadInt(doc, u"OnlyReencodeMarked", onlyMarked);
  if (onlyMarked == 0 || onlyMarked == 1) preferences.onlyReencodeMarked = onlyMarked;
  return preferences;
}

bool PreferencesFileIsSound(const QString& path) {
  MarkupDoc doc;
  return doc.Load(path.toStdU16String()) && doc.FindElem(kRoot);
}

OutputPreferences FirstStartPreferences(const QString& documentsFolder) {
  OutputPreferences preferences;
  preferences.outputFolderOpts = 0;
  preferences.outputFolderPath = documentsFolder;
  preferences.outputFileNameOpts = 1;
  preferences.outputFileNameSuffix = "_new";
  preferences.outputFormat = 0;
  preferences.jpegQuality = 100;
  preferences.openQuickStartDlg = 0;
  return preferences;
}

bool UpdateOutputPreferences(const QString& path, const OutputPreferences& preferences) {
  MarkupDoc doc;
  if (!doc.Load(path.toStdU16String()) || !doc.FindElem(kRoot)) return false;
  const auto number = [](int value) { return QString::number(value).toStdU16String(); };
  UpdateValue(doc, u"OutputFolderOpts", number(preferences.outputFolderOpts));
  UpdateValue(doc, u"OutputFolderPath", preferences.outputFolderPath.toStdU16String());
  UpdateValue(doc, u"OutputFileNameOpts", number(preferences.outputFileNameOpts));
  UpdateValue(doc, u"OutputFileNameSuffix", preferences.outputFileNameSuffix.toStdU16String());
  UpdateValue(doc, u"OutputFormat", number(preferences.outputFormat));
  SetOrAppendValue(doc, u"FilesAtOnce", number(preferences.filesAtOnce), u"1");
  SetOrAppendValue(doc, u"OnlyReencodeMarked", number(preferences.onlyReencodeMarked), u"1");
  return doc.Save(path.toStdU16String());
}

bool WriteOutputPreferences(const QString& path, const OutputPreferences& preferences) {
  MarkupDoc doc;
  doc.SetDoc(kDeclaration);
  doc.AddElem(kRoot);
  doc.IntoElem();
  doc.AddElem(u"OutputFolderOpts", preferences.outputFolderOpts);
  doc.AddElem(u"OutputFolderPath", preferences.outputFolderPath.toStdU16String());
  doc.AddElem(u"OutputFileNameOpts", preferences.outputFileNameOpts);
  doc.AddElem(u"OutputFileNameSuffix", preferences.outputFileNameSuffix.toStdU16String());
  doc.AddElem(u"OutputFormat", preferences.outputFormat);
  doc.AddElem(u"JpegQuality", preferences.jpegQuality);
  doc.AddElem(u"OpenQuickStartDlg", preferences.openQuickStartDlg);
  if (preferences.filesAtOnce != 1) doc.AddElem(u"FilesAtOnce", preferences.filesAtOnce);
  if (preferences.onlyReencodeMarked != 1) doc.AddElem(u"OnlyReencodeMarked", preferences.onlyReencodeMarked);
  doc.OutOfElem();
  return doc.Save(path.toStdU16String());
}

}  // namespace vidmora
