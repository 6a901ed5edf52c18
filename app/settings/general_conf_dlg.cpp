#include "app/settings/general_conf_dlg.h"

#include "ui_general_conf_dlg.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace vidmora {

CGeneralConfDlg::CGeneralConfDlg(QString preferencesPath, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CGeneralConfDlg>()), preferencesPath_(std::move(preferencesPath)) {
  ui_->setupUi(this);
  ui_->format_combo->addItem(QStringLiteral("MP4"), 0);
  ui_->format_combo->addItem(QStringLiteral("AVI"), 1);
  ui_->format_combo->setCurrentIndex(0);
  // The format list is kept in the file but chooses nothing for videos.
  ui_->format_group->setVisible(false);
  ui_->browse_button->setEnabled(false);
  ui_->suffix_edit->setEnabled(false);

  for (QRadioButton* radio : {ui_->save_to_source_folder, ui_->save_to_other_folder, ui_->keep_name, ui_->rename})
    connect(radio, &QRadioButton::toggled, this, &CGeneralConfDlg::UpdateEnabled);
  connect(ui_->browse_button, &QPushButton::clicked, this, &CGeneralConfDlg::Browse);

  if (PreferencesFileIsSound(preferencesPath_)) Show(ReadOutputPreferences(preferencesPath_));
}

CGeneralConfDlg::~CGeneralConfDlg() = default;

void CGeneralConfDlg::Show(const OutputPreferences& preferences) {
  (preferences.outputFolderOpts == 0 ? ui_->save_to_source_folder : ui_->save_to_other_folder)->setChecked(true);
  ui_->folder_edit->setText(preferences.outputFolderPath);
  (preferences.outputFileNameOpts == 0 ? ui_->keep_name : ui_->rename)->setChecked(true);
  ui_->suffix_edit->setText(preferences.outputFileNameSuffix);
  const int format = ui_->format_combo->findData(preferences.outputFormat);
  if (format >= 0) ui_->format_combo->setCurrentIndex(format);
  UpdateEnabled();
}

OutputPreferences CGeneralConfDlg::Values(const OutputPreferences& base) const {
  OutputPreferences values = base;
  values.outputFolderOpts = ui_->save_to_source_folder->isChecked() ? 0 : 1;
  values.outputFolderPath = ui_->folder_edit->text();
  values.outputFileNameOpts = ui_->keep_name->isChecked() ? 0 : 1;
  values.outputFileNameSuffix = ui_->suffix_edit->text();
  values.outputFormat = ui_->format_combo->currentData().toInt();
  return values;
}

bool CGeneralConfDlg::Save() const { return UpdateOutputPreferences(preferencesPath_, Values()); }

void CGeneralConfDlg::Browse() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select a folder"), documents);
  if (!folder.isEmpty()) ui_->folder_edit->setText(folder);
}

void CGeneralConfDlg::UpdateEnabled() {
  ui_->browse_button->setEnabled(ui_->save_to_other_folder->isChecked());
  ui_->suffix_edit->setEnabled(ui_->rename->isChecked());
}

}  // namespace vidmora
