#include "app/shell/quick_start_window.h"

#include "app/processing/settings/quick_start_choice.h"
#include "app/settings/language_manager.h"

#include <QAbstractButton>
#include <QCheckBox>

namespace vidmora {

CQuickStartDlgUI::CQuickStartDlgUI(QWidget* parent)
    : CBaseDlgUI(QStringLiteral("quickstart.xml"), Resizing::Fixed, parent) {
  setObjectName(QStringLiteral("quick_start_window"));
  setWindowTitle(UiText(QStringLiteral("Vidmora Quick Start")));
  if (!IsSkinLoaded()) return;
  if (auto* ok = Control<QAbstractButton>("ok_btn")) connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
  if (auto* dontShow = Control<QCheckBox>("dontshow_Option")) {
    // Without a readable "preference.xml" the box stays clear and its changes
    // are not stored.
    dontShow->setChecked(ReadQuickStartHidden().value_or(false));
    connect(dontShow, &QCheckBox::toggled, this, [](bool hidden) { StoreQuickStartHidden(hidden); });
  }
}

}  // namespace vidmora
