#include "app/settings/language_manager.h"

#include "app/processing/engine.h"
#include "common/platform/folders.h"
#include "common/platform/profile_ini.h"
#include "shared/program_profile.h"

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QSettings>
#include <QWidget>

#include <mutex>
#include <utility>

namespace {

constexpr qsizetype kMaxValueCharacters = 10'199;

std::u16string_view View(const QString& text) { return {reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())}; }

// The parsed file at `file`, read when it is first asked for and kept for the
// life of the process: the program's language files do not change while it
// runs, and another language setting names another file.
std::shared_ptr<const quorvil::ProfileTable> ParsedFile(const QString& file) {
  static std::mutex mutex;
  static QHash<QString, std::shared_ptr<const quorvil::ProfileTable>> tables;
  const std::lock_guard lock(mutex);
  std::shared_ptr<const quorvil::ProfileTable>& table = tables[file];
  if (!table)
    table =
        std::make_shared<const quorvil::ProfileTable>(quorvil::ProfileTable::FromFile(quorvil::TextToPath(View(file))));
  return table;
}

QString ReadRaw(const quorvil::ProfileTable& table, const QString& section, const QString& key) {
  const std::u16string* value = table.Find(View(section), View(key));
  return value ? QString::fromStdU16String(*value).left(kMaxValueCharacters) : QString();
}

QString Unescape(QString text, CLanguageManager::Escapes escapes) {
  text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
  if (escapes == CLanguageManager::Escapes::kLineBreakAndTab) text.replace(QStringLiteral("\\t"), QStringLiteral("\t"));
  return text;
}

struct LanguageId {
  QLocale::Language language;
  QLocale::Territory territory;  // AnyTerritory: the language's default
  int id;
};

// Windows language identifiers: primary language | sub-language << 10.
constexpr LanguageId kLanguageIds[] = {
    {QLocale::English, QLocale::UnitedStates, 0x0409},   {QLocale::English, QLocale::UnitedKingdom, 0x0809},
    {QLocale::English, QLocale::Australia, 0x0C09},      {QLocale::English, QLocale::Canada, 0x1009},
    {QLocale::English, QLocale::AnyTerritory, 0x0409},   {QLocale::German, QLocale::Austria, 0x0C07},
    {QLocale::German, QLocale::Switzerland, 0x0807},     {QLocale::German, QLocale::AnyTerritory, 0x0407},
    {QLocale::French, QLocale::Canada, 0x0C0C},          {QLocale::French, QLocale::Belgium, 0x080C},
    {QLocale::French, QLocale::Switzerland, 0x100C},     {QLocale::French, QLocale::AnyTerritory, 0x040C},
    {QLocale::Spanish, QLocale::Mexico, 0x080A},         {QLocale::Spanish, QLocale::AnyTerritory, 0x0C0A},
    {QLocale::Portuguese, QLocale::Brazil, 0x0416},      {QLocale::Portuguese, QLocale::AnyTerritory, 0x0816},
    {QLocale::Chinese, QLocale::Taiwan, 0x0404},         {QLocale::Chinese, QLocale::HongKong, 0x0C04},
    {QLocale::Chinese, QLocale::Singapore, 0x1004},      {QLocale::Chinese, QLocale::AnyTerritory, 0x0804},
    {QLocale::Italian, QLocale::AnyTerritory, 0x0410},   {QLocale::Dutch, QLocale::AnyTerritory, 0x0413},
    {QLocale::Russian, QLocale::AnyTerritory, 0x0419},   {QLocale::Polish, QLocale::AnyTerritory, 0x0415},
    {QLocale::Japanese, QLocale::AnyTerritory, 0x0411},  {QLocale::Korean, QLocale::AnyTerritory, 0x0412},
    {QLocale::Turkish, QLocale::AnyTerritory, 0x041F},   {QLocale::Swedish, QLocale::AnyTerritory, 0x041D},
    {QLocale::Danish, QLocale::AnyTerritory, 0x0406},    {QLocale::Finnish, QLocale::AnyTerritory, 0x040B},
    {QLocale::NorwegianBokmal, QLocale::AnyTerritory, 0x0414}, {QLocale::Czech, QLocale::AnyTerritory, 0x0405},
    {QLocale::Hungarian, QLocale::AnyTerritory, 0x040E}, {QLocale::Greek, QLocale::AnyTerritory, 0x0408},
    {QLocale::Arabic, QLocale::AnyTerritory, 0x0401},    {QLocale::Hebrew, QLocale::AnyTerritory, 0x040D},
    {QLocale::Thai, QLocale::AnyTerritory, 0x041E},      {QLocale::Vietnamese, QLocale::AnyTerritory, 0x042A},
    {QLocale::Indonesian, QLocale::AnyTerritory, 0x0421}, {QLocale::Ukrainian, QLocale::AnyTerritory, 0x0422},
};

}  // namespace

QString UiText(const QString& english) { return CLanguageManager::ForProgram().Dictionary(english); }

QString ProgramCaption() { return UiText(QStringLiteral("Vidmora")); }

int WindowsLanguageId(const QLocale& locale) {
  if (locale.language() == QLocale::Chinese && locale.script() == QLocale::TraditionalChineseScript &&
      locale.territory() != QLocale::HongKong)
    return 0x0404;
  for (const auto& entry : kLanguageIds)
    if (entry.language == locale.language() && entry.territory == locale.territory()) return entry.id;
  for (const auto& entry : kLanguageIds)
    if (entry.language == locale.language() && entry.territory == QLocale::AnyTerritory) return entry.id;
  return 0;
}

CLanguageManager::CLanguageManager(QString programFolder, const QString& languageSetting, const QLocale& systemLocale)
    : programFolder_(std::move(programFolder)),
      language_(LanguageOf(programFolder_, languageSetting, systemLocale)),
      texts_(ParsedFile(LanguageFilePath())) {}

QString StoredLanguage() {
  const QSettings settings(vidmora::kProfileOrganization, vidmora::kProfileApplication);
  // QSettings keeps its own keys of a group "General" under "[%General]"; a
  // hand-written "[General]" section holds keys of no group.
  const QString grouped = QStringLiteral("General/language");
  if (settings.contains(grouped)) return settings.value(grouped).toString();
  return settings.value(QStringLiteral("language"), QStringLiteral("en")).toString();
}

CLanguageManager CLanguageManager::ForProgram() { return CLanguageManager(vidmora::ProgramFolder(), StoredLanguage()); }

QString CLanguageManager::LanguageOf(const QString& programFolder, const QString& setting,
                                     const QLocale& systemLocale) {
  QString trimmed = setting.trimmed().isEmpty() ? QStringLiteral("en") : setting.trimmed();
  if (trimmed.compare(QStringLiteral("auto"), Qt::CaseInsensitive) != 0) return trimmed;
  const int id = WindowsLanguageId(systemLocale);
  if (id == 0) return QStringLiteral("en");
  const QString key = QStringLiteral("0x") + QString::number(id, 16).toUpper().rightJustified(4, QLatin1Char('0'));
  const QString code =
      ReadRaw(*ParsedFile(programFolder + QStringLiteral("/lang/language_lookup.ini")), QStringLiteral("LANGUAGE"), key)
          .trimmed();
  return code.isEmpty() ? QStringLiteral("en") : code;
}

QString CLanguageManager::CurrentLanguage() const { return language_; }

QString CLanguageManager::LanguageFilePath() const {
  return programFolder_ + QStringLiteral("/lang/lang_%1.ini").arg(language_);
}

QString CLanguageManager::ReadValue(const QString& section, const QString& key, Escapes escapes) const {
  return Unescape(ReadRaw(*texts_, section, key), escapes);
}

QString CLanguageManager::String(const QString& name, const QString& fallback) const {
  const QString value = ReadValue(QStringLiteral("STRING"), name, Escapes::kLineBreakAndTab);
  return value.isEmpty() ? fallback : value;
}

QString CLanguageManager::Dictionary(const QString& text) const {
  // A key cannot hold a line break: the file writes it as "\n".
  QString key = text;
  key.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
  const QString value = ReadValue(QStringLiteral("DICTIONARY"), key);
  return value.isEmpty() ? text : value;
}

QImage CLanguageManager::Bitmap(const QString& name, const QImage& fallback) const {
  const QString file = ReadRaw(*texts_, QStringLiteral("BITMAP"), name).trimmed();
  if (file.isEmpty()) return fallback;
  QImage image(programFolder_ + QLatin1Char('/') + file);
  return image.isNull() ? fallback : image;
}

void CLanguageManager::TranslateDialog(QWidget* dialog, const QString& dialogName) const {
  const QString section = QStringLiteral("DIALOG_") + dialogName;
  for (QWidget* child : dialog->findChildren<QWidget*>()) {
    if (child->objectName().isEmpty()) continue;
    const QString tip = ReadValue(section, child->objectName() + QStringLiteral("_tip"));
    if (!tip.isEmpty()) child->setToolTip(tip);
    const QString text = ReadValue(section, child->objectName());
    if (text.isEmpty()) continue;
    // Labels and buttons carry "text", group boxes "title".
    if (child->metaObject()->indexOfProperty("text") >= 0)
      child->setProperty("text", text);
    else if (child->metaObject()->indexOfProperty("title") >= 0)
      child->setProperty("title", text);
  }
  const QString title = ReadValue(section, QStringLiteral("title"), Escapes::kLineBreakAndTab);
  if (!title.isEmpty()) dialog->setWindowTitle(title);
}

void CLanguageManager::TranslateMenu(QMenu* menu, MenuKind kind) const {
  const QList<QAction*> actions = menu->actions();
  for (qsizetype position = 0; position < actions.size(); ++position) {
    QAction* action = actions[position];
    if (action->isSeparator()) continue;
    QString text;
    if (action->menu() != nullptr) {
      if (kind == MenuKind::kMainMenu)
        text = ReadValue(QStringLiteral("MENU"), QStringLiteral("item_%1").arg(position + 1), Escapes::kLineBreakAndTab);
    } else if (!action->objectName().isEmpty()) {
      text = ReadValue(QStringLiteral("MENU"), action->objectName(), Escapes::kLineBreakAndTab);
    }
    if (!text.isEmpty()) action->setText(text);
    if (action->menu() != nullptr) TranslateMenu(action->menu(), MenuKind::kPopup);
  }
}
