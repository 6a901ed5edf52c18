#include "app/settings/preference_dlg.h"

#include "app/processing/settings/app_folders.h"
#include "app/settings/general_conf_dlg.h"
#include "app/settings/language_manager.h"
#include "app/settings/video_audio_setting_dlg.h"
#include "ui_preference_dlg.h"

#include <QMessageBox>
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
  // Enter means OK wherever the focus is (Escape means Cancel, as in every dialog).
  if (QPushButton* ok = ui_->button_box->button(QDialogButtonBox::Ok)) ok->setDefault(true);
}

CPreferenceDlg::~CPreferenceDlg() = default;

void CPreferenceDlg::accept() {
  // A value that cannot work is named now, while it can still be mended.
  if (const QString problem = generalPage_->Problem(); !problem.isEmpty()) {
    QMessageBox::warning(this, ProgramCaption(), problem);
    return;
  }
  generalPage_->Save();
  videoAudioPage_->Save();
  QDialog::accept();
}

}  // namespace vidmora
