#include "app/settings/general_conf_dlg.h"

#include "app/processing/settings/output_folder_check.h"
#include "ui_general_conf_dlg.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QLabel>
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
  ui_->files_at_once_spin->setRange(1, kMaxFilesAtOnce);

  // Shown when the choices would name every output after its source, beside it.
  namingWarning_ = new QLabel(this);
  namingWarning_->setObjectName(QStringLiteral("naming_warning"));
  namingWarning_->setWordWrap(true);
  namingWarning_->setText(QStringLiteral(
      "Saved beside its source under the source's own name, an output in the source's format would replace the "
      "source: every such file is skipped. Choose another folder or add a suffix."));
  namingWarning_->setVisible(false);
  if (auto* column = qobject_cast<QBoxLayout*>(layout()))
    column->insertWidget(column->indexOf(ui_->output_name_group) + 1, namingWarning_);

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
  ui_->files_at_once_spin->setValue(preferences.filesAtOnce);
  ui_->only_marked_check->setChecked(preferences.onlyReencodeMarked != 0);
  UpdateEnabled();
}

OutputPreferences CGeneralConfDlg::Values(const OutputPreferences& base) const {
  OutputPreferences values = base;
  values.outputFolderOpts = ui_->save_to_source_folder->isChecked() ? 0 : 1;
  values.outputFolderPath = ui_->folder_edit->text();
  values.outputFileNameOpts = ui_->keep_name->isChecked() ? 0 : 1;
  values.outputFileNameSuffix = ui_->suffix_edit->text();
  values.outputFormat = ui_->format_combo->currentData().toInt();
  values.filesAtOnce = ui_->files_at_once_spin->value();
  values.onlyReencodeMarked = ui_->only_marked_check->isChecked() ? 1 : 0;
  return values;
}

bool CGeneralConfDlg::Save() const { return UpdateOutputPreferences(preferencesPath_, Values()); }

QString CGeneralConfDlg::Problem() const {
  if (ui_->rename->isChecked() && !IsFileNamePart(ui_->suffix_edit->text()))
    return QStringLiteral("The suffix \"%1\" cannot be part of a file name: it holds \"/\" or a control character.")
        .arg(ui_->suffix_edit->text());
  if (ui_->save_to_other_folder->isChecked()) return OutputFolderProblem(ui_->folder_edit->text());
  return {};
}

void CGeneralConfDlg::Browse() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select a folder"), documents);
  if (!folder.isEmpty()) ui_->folder_edit->setText(folder);
}

void CGeneralConfDlg::UpdateEnabled() {
  ui_->browse_button->setEnabled(ui_->save_to_other_folder->isChecked());
  ui_->suffix_edit->setEnabled(ui_->rename->isChecked());
  namingWarning_->setVisible(ui_->save_to_source_folder->isChecked() && ui_->keep_name->isChecked());
}

}  // namespace vidmora
