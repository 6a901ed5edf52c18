#pragma once

// The "Video and Audio Setting" page of the preferences: container, codecs,
// rates, aspect, volume and "Disable Audio". The codec lists follow the
// chosen container and every list comes from the engine's table of choices.
// A bit rate the chosen audio codec refuses at the chosen sample rate is
// lowered on the page, with the reason shown beneath. A preset (presets.h)
// sets its values on the page; it stays chosen while the page holds them,
// and the page's values can be saved as a preset of the user's.
// User-interface thread.

#include "app/processing/encoding_settings.h"
#include "app/processing/presets.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QComboBox;

namespace Ui {
class CVideoAudioSettingDlg;
}

namespace vidmora {

class CVideoAudioSettingDlg : public QWidget {
  Q_OBJECT

 public:
  // Shows the stored settings and the program's "Disable Audio" choice.
  explicit CVideoAudioSettingDlg(QWidget* parent = nullptr);
  ~CVideoAudioSettingDlg() override;

  void Show(const EncodingSettings& settings);
  EncodingSettings Values() const;
  // Stores the shown values in the profile and sets the program's "Disable
  // Audio" choice, which the next file of a batch takes.
  void Save() const;

 private:
  void FillCodecs();
  void ChoosePreset(int index);
  // Asks for a name and stores the page's values as the user's preset of
  // that name (replacing one of the same name), at once; refuses the name
  // of a built-in preset.
  void SavePreset();
  void FillPresets();
  // The preset chosen while the page holds its values, else none; nothing
  // for none.
  std::optional<Preset> PresetShown(const EncodingSettings& values) const;
  void ShowPreset(const QString& name);
  void CheckRates();
  // Quality, target size and bit rate: the one that decides is enabled.
  void EnableRateControls();
  std::optional<double> TargetSizeShown() const;
  // What the set bit rate or target size says of the outputs' size.
  void ShowSizeEstimate();
  static void SelectText(QComboBox* combo, const QString& value);
  static QString StoredText(const QComboBox* combo);

  std::unique_ptr<Ui::CVideoAudioSettingDlg> ui_;
  std::vector<Preset> presets_;  // the preset combo's items after "None"
};

}  // namespace vidmora
