#pragma once

// CQuickStartDlgUI: three steps to a first watermarked video, and the choice
// not to show them at start-up ("dontshow_Option"), stored at once.

#include "app/shell/base_window.h"

namespace vidmora {

class CQuickStartDlgUI : public CBaseDlgUI {
  Q_OBJECT

 public:
  explicit CQuickStartDlgUI(QWidget* parent = nullptr);
};

}  // namespace vidmora
