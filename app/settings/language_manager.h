#pragma once

// CLanguageManager: the texts and pictures of the user interface from a
// language file, so that a translation needs no rebuild.
//
// Files in the program folder:
//   lang/language_lookup.ini   [LANGUAGE] 0x0409=en  (Windows language id -> code)
//   lang/lang_<code>.ini       the texts of one language:
//     [DIALOG_<dialog>]  <control's object name>=text, <name>_tip=tool tip, title=caption
//     [MENU]             <action's object name>=text, item_<n>=text of the n-th top-level pop-up
//     [STRING]           <string name>=text
//     [BITMAP]           <picture name>=file relative to the program folder
//     [DICTIONARY]       <English text>=translation
//
// In values "\n" stands for a line break, and in titles, menu entries and
// strings "\t" for a tab. Values are read up to 10,199 characters; an empty
// value counts as absent. A missing file makes every lookup come back empty,
// so the program's own texts stay in place. Each file is parsed once, when a
// manager first needs it, and its table is kept for the life of the process
// (by the file's path, so that another language setting takes its own file);
// a file changed or added while the program runs counts from its next start.
//
// The language is the setting "language" of the group "General" ("en" when
// unset; in ~/.config/VIDMORA/Vidmora.conf "[General]" as a person writes it
// or "[%General]" as QSettings does); "auto" takes the desktop's language when the lookup file lists it,
// else English. A manager settles its language when it is made. User-interface
// thread (the widget calls); making a manager and the lookups may be done on
// any thread.

#include <QImage>
#include <QLocale>
#include <QString>

#include <memory>

class QMenu;
class QWidget;

namespace quorvil {
class ProfileTable;
}

class CLanguageManager {
 public:
  enum class Escapes { kLineBreak, kLineBreakAndTab };
  enum class MenuKind { kMainMenu, kPopup };

  CLanguageManager(QString programFolder, const QString& languageSetting,
                   const QLocale& systemLocale = QLocale::system());
  // The program's own folder and the stored language setting.
  static CLanguageManager ForProgram();

  QString CurrentLanguage() const;
  QString LanguageFilePath() const;

  // The value with its escapes replaced, or an empty string.
  QString ReadValue(const QString& section, const QString& key, Escapes escapes = Escapes::kLineBreak) const;
  // [STRING] value, or `fallback` when there is none.
  QString String(const QString& name, const QString& fallback) const;
  // [DICTIONARY] value for the text, or the text itself.
  QString Dictionary(const QString& text) const;
  // The picture that [BITMAP] names, or `fallback` when there is no entry or
  // the file cannot be loaded.
  QImage Bitmap(const QString& name, const QImage& fallback) const;

  // Sets the text of every named child of `dialog` (labels, buttons: "text";
  // group boxes: "title") that has an entry in [DIALOG_<dialogName>], its tool
  // tip from "<name>_tip", and the window title from the key "title".
  void TranslateDialog(QWidget* dialog, const QString& dialogName) const;
  // Sets the text of each named action with a [MENU] entry (checked state and
  // command kept); in the main menu a pop-up entry takes "item_<position + 1>".
  // Sub-menus are translated the same way.
  void TranslateMenu(QMenu* menu, MenuKind kind = MenuKind::kPopup) const;

 private:
  // The language code that a setting stands for ("auto" resolved).
  static QString LanguageOf(const QString& programFolder, const QString& setting, const QLocale& systemLocale);

  QString programFolder_;
  QString language_;
  std::shared_ptr<const quorvil::ProfileTable> texts_;  // shared with every manager of the same file
};

// The stored language setting (see above); "en" when unset.
QString StoredLanguage();

// A text of the user interface in the program's language: the [DICTIONARY]
// entry for the English text in the current language file, else the text.
QString UiText(const QString& english);

// The title of the program's message boxes: "Vidmora" through UiText.
QString ProgramCaption();

// The Windows language identifier of a locale ("0x%04X" keys of the lookup
// file); 0 for a language the table does not know.
int WindowsLanguageId(const QLocale& locale);
