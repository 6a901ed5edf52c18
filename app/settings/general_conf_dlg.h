#pragma once

// The "General" page of the preferences: where outputs go and how they are
// named, from and into "preference.xml". A file that cannot be read leaves the
// page as it starts (nothing chosen) and is not written. User-interface
// thread.

#include "app/processing/settings/output_preferences.h"

#include <QString>
#include <QWidget>

class QLabel;

#include <memory>

namespace Ui {
class CGeneralConfDlg;
}

namespace vidmora {

class CGeneralConfDlg : public QWidget {
  Q_OBJECT

 public:
  // Shows the values of the preferences file at `preferencesPath`.
  explicit CGeneralConfDlg(QString preferencesPath, QWidget* parent = nullptr);
  ~CGeneralConfDlg() override;

  void Show(const OutputPreferences& preferences);
  // The shown values; those the page does not show come from `base`.
  OutputPreferences Values(const OutputPreferences& base = {}) const;
  // Writes the shown values into the elements the file has; false when the
  // file is not sound or cannot be written.
  bool Save() const;
  // Why the shown values cannot work (a suffix that is no file name part, an
  // output folder that cannot take files), naming it; empty when they can.
  QString Problem() const;

 private:
  void Browse();
  void UpdateEnabled();

  std::unique_ptr<Ui::CGeneralConfDlg> ui_;
  QString preferencesPath_;
  QLabel* namingWarning_ = nullptr;  // owned by the page
};

}  // namespace vidmora
