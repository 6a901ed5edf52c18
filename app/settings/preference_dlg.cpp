#include "app/settings/preference_dlg.h"

#include "app/settings/app_folders.h"
#include "app/settings/general_conf_dlg.h"
#include "app/settings/video_audio_setting_dlg.h"
#include "ui_preference_dlg.h"

#include <QKeyEvent>
#include <QPushButton>

namespace vidmora {

CPreferenceDlg::CPreferenceDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CPreferenceDlg>()) {
  ui_->setupUi(this);
  generalPage_ = new CGeneralConfDlg(DataFile(kPreferencesFileName));
  videoAudioPage_ = new CVideoAudioSettingDlg;
  generalPage_->setObjectName(QStringLiteral("general_page"));
  videoAudioPage_->setObjectName(QStringLiteral("video_audio_page"));
  ui_->page_tabs->addTab(generalPage_, QStringLiteral("General"));
  ui_->page_tabs->addTab(videoAudioPage_, QStringLiteral("Video and Audio Setting"));
  ui_->page_tabs->setCurrentIndex(kGeneralPage);
  connect(ui_->button_box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(ui_->button_box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // The buttons take Enter only when clicked or focused, never as the default.
  for (QAbstractButton* button : ui_->button_box->buttons())
    if (auto* push = qobject_cast<QPushButton*>(button)) {
      push->setAutoDefault(false);
      push->setDefault(false);
    }
}

CPreferenceDlg::~CPreferenceDlg() = default;

void CPreferenceDlg::SetInitialPage(Page page) { ui_->page_tabs->setCurrentIndex(page); }

void CPreferenceDlg::done(int result) {
  // There is nothing to cancel: every way out keeps what the pages show.
  generalPage_->Save();
  videoAudioPage_->Save();
  QDialog::done(result);
}

void CPreferenceDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

}  // namespace vidmora
