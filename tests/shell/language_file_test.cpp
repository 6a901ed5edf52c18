// The English language file holds every text of the window's layouts and
// menus, word for word, so that a translation made from it misses none.

#include "app/settings/language_manager.h"
#include "app/shell/help_menu.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QWidget>
#include <QXmlStreamReader>

#include <filesystem>
#include <memory>
#include <string>

namespace vidmora {
namespace {

QString ProgramFolder() {
  return QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
}

CLanguageManager English() { return CLanguageManager(ProgramFolder(), QStringLiteral("en")); }

TEST(LanguageFile, HoldsEveryTextOfTheLayouts) {
  const CLanguageManager english = English();
  for (const char* layout : {"maindlg", "about", "quickstart"}) {
    QFile file(ProgramFolder() + QStringLiteral("/skin/en/%1.xml").arg(QLatin1String(layout)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << layout;
    const QString section = QStringLiteral("DIALOG_") + QLatin1String(layout);
    QXmlStreamReader xml(&file);
    QStringList widgets;  // the names of the open <widget> elements
    QString property;
    int texts = 0;
    while (!xml.atEnd()) {
      xml.readNext();
      if (xml.isStartElement() && xml.name() == QLatin1String("widget")) {
        widgets << xml.attributes().value(QLatin1String("name")).toString();
      } else if (xml.isEndElement() && xml.name() == QLatin1String("widget")) {
        widgets.removeLast();
      } else if (xml.isStartElement() && xml.name() == QLatin1String("property")) {
        property = xml.attributes().value(QLatin1String("name")).toString();
      } else if (xml.isStartElement() && xml.name() == QLatin1String("string") && !widgets.isEmpty()) {
        const QString text = xml.readElementText().trimmed();
        QString key;
        if (property == QLatin1String("text") || property == QLatin1String("title")) key = widgets.last();
        if (property == QLatin1String("toolTip")) key = widgets.last() + QStringLiteral("_tip");
        if (key.isEmpty() || text.isEmpty()) continue;
        ++texts;
        EXPECT_EQ(english.ReadValue(section, key), text) << layout << ": " << key.toStdString();
      }
    }
    EXPECT_FALSE(xml.hasError()) << layout;
    EXPECT_GT(texts, 3) << layout;
  }
}

TEST(LanguageFile, HoldsEveryEntryOfTheHelpMenu) {
  QWidget owner;
  const HelpMenu help = BuildHelpMenu(&owner);
  const CLanguageManager english = English();
  for (QAction* action : help.menu->actions()) {
    if (action->isSeparator()) continue;
    EXPECT_EQ(english.ReadValue(QStringLiteral("MENU"), action->objectName()), action->text())
        << action->objectName().toStdString();
  }
}

}  // namespace
}  // namespace vidmora
