#include "app/shell/help_menu.h"

#include "app/settings/language_manager.h"

namespace vidmora {

HelpMenu BuildHelpMenu(QWidget* parent) {
  HelpMenu help;
  help.menu = new QMenu(parent);
  help.menu->setObjectName(QStringLiteral("help_menu"));
  const auto add = [&](const char* text, const char* name) {
    QAction* action = help.menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  help.homePage = add("Home Page", "home_page_action");
  help.supportPage = add("Support Page", "support_page_action");
  help.quickStart = add("Show QuickStart", "quick_start_action");
  help.menu->addSeparator();
  help.feedback = add("Feedback...", "feedback_action");
  help.menu->addSeparator();
  help.checkUpdate = add("Check Update...", "check_update_action");
  help.about = add("About...", "about_action");
  CLanguageManager::ForProgram().TranslateMenu(help.menu);
  return help;
}

}  // namespace vidmora
