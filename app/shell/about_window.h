#pragma once

// CAboutDlgUI: the program's name and version, and its web site, support
// address and videos ("about.xml").

#include "app/shell/base_window.h"

namespace vidmora {

class CAboutDlgUI : public CBaseDlgUI {
  Q_OBJECT

 public:
  explicit CAboutDlgUI(QWidget* parent = nullptr);
};

// "v2.1.5 " for version 2.1.5 (the text ends with a space).
QString VersionLabelText(int major, int minor, int build);

}  // namespace vidmora
