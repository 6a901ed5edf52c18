#pragma once

// The main window's help menu ("menu_btn"). The window owns it; the program's
// host connects each action to what it does (vidmora_host.cpp).

#include <QAction>
#include <QMenu>

namespace vidmora {

struct HelpMenu {
  QMenu* menu = nullptr;
  QAction* homePage = nullptr;     // "Home Page"
  QAction* supportPage = nullptr;  // "Support Page"
  QAction* quickStart = nullptr;   // "Show QuickStart"
  QAction* feedback = nullptr;     // "Feedback..."
  QAction* checkUpdate = nullptr;  // "Check Update..."
  QAction* about = nullptr;        // "About..."
};

// Builds the menu's items, in order, each action named for tests
// ("home_page_action", ...).
HelpMenu BuildHelpMenu(QWidget* parent);

}  // namespace vidmora
