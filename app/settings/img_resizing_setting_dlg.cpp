#include "app/settings/img_resizing_setting_dlg.h"

#include "app/processing/settings/preview_cache.h"
#include "app/processing/settings/session_choices.h"
#include "app/settings/language_manager.h"
#include "ui_img_resizing_setting_dlg.h"

#include <QDir>
#include <QIntValidator>
#include <QMessageBox>

namespace vidmora {

namespace {
// Sizes a picture can have; anything else is not typed in at all.
constexpr int kLargestSide = 100000;
}  // namespace

CImgResizingSettingDlg::CImgResizingSettingDlg(QString settingsPath, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CImgResizingSettingDlg>()), settingsPath_(std::move(settingsPath)) {
  ui_->setupUi(this);
  for (QLineEdit* edit : {ui_->width_edit, ui_->height_edit}) edit->setValidator(new QIntValidator(1, kLargestSide, edit));
  connect(ui_->button_box, &QDialogButtonBox::rejected, this, &QDialog::reject);

  stored_ = ReadResizingSettings(settingsPath_);
  const ResizingSettings& settings = stored_;
  switch (settings.scaleType) {
    case ScaleType::kToWidth: ui_->scale_to_width->setChecked(true); break;
    case ScaleType::kToHeight: ui_->scale_to_height->setChecked(true); break;
    case ScaleType::kToWidthAndHeight: ui_->scale_to_both->setChecked(true); break;
  }
  ui_->width_edit->setText(QString::number(settings.targetWidth));
  ui_->height_edit->setText(QString::number(settings.targetHeight));
  ui_->just_this_time_check->setChecked(ResizeJustThisTime());
  ui_->every_time_check->setChecked(settings.resizeEveryTime);
  ui_->enlarge_check->setChecked(settings.enlarge);
  for (QRadioButton* radio : {ui_->scale_to_width, ui_->scale_to_height, ui_->scale_to_both})
    connect(radio, &QRadioButton::toggled, this, &CImgResizingSettingDlg::UpdateEnabled);
  UpdateEnabled();
}

CImgResizingSettingDlg::~CImgResizingSettingDlg() = default;

ResizingSettings CImgResizingSettingDlg::Values() const {
  ResizingSettings values;
  values.scaleType = ui_->scale_to_height->isChecked() ? ScaleType::kToHeight
                     : ui_->scale_to_both->isChecked() ? ScaleType::kToWidthAndHeight
                                                       : ScaleType::kToWidth;
  // A side left empty keeps the stored one.
  values.targetWidth = ui_->width_edit->hasAcceptableInput() ? ui_->width_edit->text().toInt() : stored_.targetWidth;
  values.targetHeight =
      ui_->height_edit->hasAcceptableInput() ? ui_->height_edit->text().toInt() : stored_.targetHeight;
  values.resizeEveryTime = ui_->every_time_check->isChecked();
  values.enlarge = ui_->enlarge_check->isChecked();
  return values;
}

void CImgResizingSettingDlg::done(int result) {
  SetResizeJustThisTime(ui_->just_this_time_check->isChecked());
  if (!WriteResizingSettings(settingsPath_, Values()))
    QMessageBox::warning(this, windowTitle(),
                         UiText(QStringLiteral("The resizing settings could not be written to %1."))
                             .arg(QDir::toNativeSeparators(settingsPath_)));
  // Cached previews were made at the old size.
  EmptyPreviewCache();
  QDialog::done(result);
}

void CImgResizingSettingDlg::UpdateEnabled() {
  ui_->width_edit->setEnabled(!ui_->scale_to_height->isChecked());
  ui_->height_edit->setEnabled(!ui_->scale_to_width->isChecked());
}

}  // namespace vidmora
