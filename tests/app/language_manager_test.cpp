#include "app/settings/language_manager.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <utility>

namespace {

using vidmora::test::TempEnv;
using vidmora::test::WriteFile;

// Widgets need a QApplication; the test runs with the offscreen platform.
class LanguageManagerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "language_manager_test";
      static char* argv[] = {name, nullptr};
      new QApplication(argc, argv);
    }
  }

  void SetUp() override {
    program_ = env_.MakeDir("program");
    WriteFile(program_ / "lang" / "language_lookup.ini", "[LANGUAGE]\r\n0x0409=en\r\n0x040C=fr\r\n");
    WriteFile(program_ / "lang" / "lang_en.ini",
              "[STRING]\n"
              "two_lines=first\\nsecond\n"
              "tabbed=a\\tb\n"
              "empty=\n"
              "[DICTIONARY]\n"
              "Add files=Add videos\n"
              "Stop now?\\nThe file is lost.=Stop?\\nLost.\n"
              "[DIALOG_about]\n"
              "title=About\\tVidmora\n"
              "version_label=Version\\n1.0\\t(x)\n"
              "options_group=Options\n"
              "close_btn_tip=Close the window\n"
              "[MENU]\n"
              "check_update=Check Update...\n"
              "show_log=Show\\tlog\n"
              "item_2=Help\n"
              "[BITMAP]\n"
              "logo=pictures/logo.png\n"
              "broken=pictures/broken.png\n");
    WriteFile(program_ / "lang" / "lang_fr.ini", "[STRING]\ntwo_lines=premier\n");
  }

  CLanguageManager Manager(const QString& setting, const QLocale& system = QLocale(QStringLiteral("en_US"))) const {
    return CLanguageManager(QString::fromStdString(program_.string()), setting, system);
  }

  TempEnv env_;
  std::filesystem::path program_;
};

TEST_F(LanguageManagerTest, AutoTakesTheDesktopLanguageWhenListedElseEnglish) {
  struct Case {
    const char* setting;
    const char* locale;
    const char* language;
  } cases[] = {
      {"auto", "fr_FR", "fr"},  // 0x040C is listed
      {"auto", "de_DE", "en"},  // 0x0407 is not
      {"auto", "en_GB", "en"},  // 0x0809 is not, but English is the fall-back anyway
      {"AUTO", "fr_FR", "fr"}, {"en", "fr_FR", "en"}, {"", "fr_FR", "en"},
  };
  for (const Case& c : cases) {
    const CLanguageManager manager = Manager(QString::fromLatin1(c.setting), QLocale(QString::fromLatin1(c.locale)));
    EXPECT_EQ(manager.CurrentLanguage(), QString::fromLatin1(c.language)) << c.setting << " " << c.locale;
  }
  EXPECT_EQ(Manager(QStringLiteral("auto"), QLocale(QStringLiteral("de_DE"))).String(QStringLiteral("two_lines"), {}),
            QStringLiteral("first\nsecond"));
}

TEST_F(LanguageManagerTest, LookupsReplaceEscapesAndFallBack) {
  const CLanguageManager manager = Manager(QStringLiteral("en"));
  EXPECT_EQ(manager.String(QStringLiteral("two_lines"), QStringLiteral("x")), QStringLiteral("first\nsecond"));
  EXPECT_EQ(manager.String(QStringLiteral("tabbed"), QStringLiteral("x")), QStringLiteral("a\tb"));
  EXPECT_EQ(manager.String(QStringLiteral("empty"), QStringLiteral("own")), QStringLiteral("own"));
  EXPECT_EQ(manager.String(QStringLiteral("missing"), QStringLiteral("own")), QStringLiteral("own"));
  EXPECT_EQ(manager.Dictionary(QStringLiteral("add FILES")), QStringLiteral("Add videos"));
  EXPECT_EQ(manager.Dictionary(QStringLiteral("Remove files")), QStringLiteral("Remove files"));
  EXPECT_EQ(manager.Dictionary(QStringLiteral("Stop now?\nThe file is lost.")), QStringLiteral("Stop?\nLost."));
  // Plain values know only the line break.
  EXPECT_EQ(manager.ReadValue(QStringLiteral("STRING"), QStringLiteral("tabbed")), QStringLiteral("a\\tb"));
}

TEST_F(LanguageManagerTest, LongValuesAreCut) {
  WriteFile(program_ / "lang" / "lang_en.ini", "[STRING]\nlong=" + std::string(20000, 'x') + "\n");
  EXPECT_EQ(Manager(QStringLiteral("en")).String(QStringLiteral("long"), {}).size(), 10199);
}

// Each file is parsed once: what is written to it later is not seen, while
// another language setting still finds its own file.
TEST_F(LanguageManagerTest, FilesAreReadOnceAndEachSettingTakesItsOwn) {
  EXPECT_EQ(Manager(QStringLiteral("en")).String(QStringLiteral("two_lines"), {}), QStringLiteral("first\nsecond"));
  EXPECT_EQ(Manager(QStringLiteral("auto"), QLocale(QStringLiteral("fr_FR"))).CurrentLanguage(), QStringLiteral("fr"));
  WriteFile(program_ / "lang" / "lang_en.ini", "[STRING]\ntwo_lines=written later, much longer than before\n");
  std::filesystem::remove(program_ / "lang" / "language_lookup.ini");
  EXPECT_EQ(Manager(QStringLiteral("en")).String(QStringLiteral("two_lines"), {}), QStringLiteral("first\nsecond"));
  EXPECT_EQ(Manager(QStringLiteral("auto"), QLocale(QStringLiteral("fr_FR"))).String(QStringLiteral("two_lines"), {}),
            QStringLiteral("premier"));
  EXPECT_EQ(Manager(QStringLiteral("fr")).String(QStringLiteral("two_lines"), {}), QStringLiteral("premier"));
}

TEST_F(LanguageManagerTest, DialogTakesItsEntriesAndKeepsTheRest) {
  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("own title"));
  auto* version = new QLabel(QStringLiteral("own version"), &dialog);
  version->setObjectName(QStringLiteral("version_label"));
  auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
  close->setObjectName(QStringLiteral("close_btn"));
  auto* group = new QGroupBox(QStringLiteral("own group"), &dialog);
  group->setObjectName(QStringLiteral("options_group"));

  Manager(QStringLiteral("en")).TranslateDialog(&dialog, QStringLiteral("about"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About\tVidmora"));
  EXPECT_EQ(version->text(), QStringLiteral("Version\n1.0\\t(x)"));  // controls know only the line break
  EXPECT_EQ(close->text(), QStringLiteral("Close"));                 // no entry: its own text stays
  EXPECT_EQ(close->toolTip(), QStringLiteral("Close the window"));
  EXPECT_EQ(group->title(), QStringLiteral("Options"));
}

TEST_F(LanguageManagerTest, MenuEntriesKeepCommandAndCheck) {
  QMenu menu;
  QMenu* file = menu.addMenu(QStringLiteral("File"));
  QAction* log = file->addAction(QStringLiteral("own log"));
  log->setObjectName(QStringLiteral("show_log"));
  log->setCheckable(true);
  log->setChecked(true);
  QMenu* help = menu.addMenu(QStringLiteral("own help"));
  QAction* update = help->addAction(QStringLiteral("own update"));
  update->setObjectName(QStringLiteral("check_update"));
  bool triggered = false;
  QObject::connect(update, &QAction::triggered, [&] { triggered = true; });

  Manager(QStringLiteral("en")).TranslateMenu(&menu, CLanguageManager::MenuKind::kMainMenu);
  EXPECT_EQ(file->title(), QStringLiteral("File"));  // no item_1
  EXPECT_EQ(help->title(), QStringLiteral("Help"));
  EXPECT_EQ(log->text(), QStringLiteral("Show\tlog"));
  EXPECT_TRUE(log->isChecked());
  EXPECT_EQ(update->text(), QStringLiteral("Check Update..."));
  update->trigger();
  EXPECT_TRUE(triggered);
}

TEST_F(LanguageManagerTest, BitmapsComeFromTheFileOrTheFallback) {
  QImage logo(4, 3, QImage::Format_RGB32);
  logo.fill(Qt::red);
  std::filesystem::create_directories(program_ / "pictures");
  ASSERT_TRUE(logo.save(QString::fromStdString((program_ / "pictures" / "logo.png").string())));
  WriteFile(program_ / "pictures" / "broken.png", "not a picture");
  QImage fallback(1, 1, QImage::Format_RGB32);
  fallback.fill(Qt::blue);

  const CLanguageManager manager = Manager(QStringLiteral("en"));
  EXPECT_EQ(manager.Bitmap(QStringLiteral("logo"), fallback).size(), QSize(4, 3));
  EXPECT_EQ(manager.Bitmap(QStringLiteral("broken"), fallback), fallback);
  EXPECT_EQ(manager.Bitmap(QStringLiteral("none"), fallback), fallback);
}

TEST_F(LanguageManagerTest, MissingLanguageFileKeepsEveryText) {
  std::filesystem::remove(program_ / "lang" / "lang_en.ini");
  const CLanguageManager manager = Manager(QStringLiteral("en"));
  EXPECT_EQ(manager.String(QStringLiteral("two_lines"), QStringLiteral("own")), QStringLiteral("own"));
  EXPECT_EQ(manager.Dictionary(QStringLiteral("Add files")), QStringLiteral("Add files"));
  QDialog dialog;
  dialog.setWindowTitle(QStringLiteral("own title"));
  auto* version = new QLabel(QStringLiteral("own version"), &dialog);
  version->setObjectName(QStringLiteral("version_label"));
  manager.TranslateDialog(&dialog, QStringLiteral("about"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("own title"));
  EXPECT_EQ(version->text(), QStringLiteral("own version"));
  // A language without its file (and no lookup file at all) behaves the same.
  std::filesystem::remove(program_ / "lang" / "language_lookup.ini");
  EXPECT_EQ(Manager(QStringLiteral("auto"), QLocale(QStringLiteral("fr_FR"))).CurrentLanguage(), QStringLiteral("en"));
  EXPECT_EQ(Manager(QStringLiteral("xx")).String(QStringLiteral("two_lines"), QStringLiteral("own")),
            QStringLiteral("own"));
}

// The README's "General/language" is found however the section is written.
TEST(StoredLanguage, TheGeneralSectionAsPeopleAndQSettingsWriteIt) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "en"},
      {"[General]\nlanguage=de\n", "de"},
      {"[%General]\nlanguage=fr\n", "fr"},
      {"[General]\nlanguage=de\n[%General]\nlanguage=fr\n", "fr"},
  };
  // One home: QSettings finds its folder once per program. The files differ
  // in size, so that QSettings reads each anew.
  TempEnv env;
  for (const auto& [file, language] : cases) {
    WriteFile(env.ConfigHome() / "VIDMORA" / "Vidmora.conf", file);
    EXPECT_EQ(StoredLanguage(), language) << file;
  }
}

TEST_F(LanguageManagerTest, ShippedEnglishFileIsFound) {
  // The program folder of the build holds the files the program ships.
  const QString programFolder =
      QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
  const CLanguageManager manager(programFolder, QStringLiteral("auto"), QLocale(QStringLiteral("en_US")));
  EXPECT_EQ(manager.CurrentLanguage(), QStringLiteral("en"));
  EXPECT_EQ(manager.String(QStringLiteral("update_latest"), {}),
            QStringLiteral("You are using the latest version. Thanks."));
}

}  // namespace
