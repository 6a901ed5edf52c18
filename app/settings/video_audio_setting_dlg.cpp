#include "app/settings/video_audio_setting_dlg.h"

#include "app/processing/codec_limits.h"
#include "app/processing/encoding_choices.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/resizing_settings.h"
#include "app/processing/settings/session_choices.h"
#include "app/processing/size_estimate.h"
#include "app/settings/language_manager.h"
#include "ui_video_audio_setting_dlg.h"

#include <QCheckBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>

#include <algorithm>
#include <type_traits>

namespace vidmora {

namespace {

// Fills a codec combo with the codecs a container offers (item data: the
// stored index) and selects `stored`, else the first.
template <typename Codec>
void FillCodecCombo(QComboBox* combo, std::span<const Codec> codecs, int stored) {
  combo->clear();
  for (const Codec codec : codecs) combo->addItem(QString::fromLatin1(Info(codec).text), StoredIndex(codec));
  // Every container takes the source's audio copied (or encoded as its own when it cannot hold it).
  if constexpr (std::is_same_v<Codec, AudioCodec>)
    combo->addItem(UiText(QStringLiteral("Copy")), StoredIndex(AudioCodec::kCopy));
  combo->setCurrentIndex(0);
  const int index = combo->findData(stored);
  if (index >= 0) combo->setCurrentIndex(index);
}

const ContainerInfo& SelectedContainer(const QComboBox* combo) {
  return Info(ContainerFromIndex(combo->currentData().toInt()).value_or(Container::kMp4));
}

template <typename Rate>
void ReadRate(const QComboBox* combo, AutoOr<Rate>& value) {
  value.reset();
  if (combo->currentIndex() > 0) ParseAutoOr(combo->currentText(), value);
}

}  // namespace

CVideoAudioSettingDlg::CVideoAudioSettingDlg(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CVideoAudioSettingDlg>()) {
  ui_->setupUi(this);
  for (const ContainerInfo& container : Containers())
    ui_->container_combo->addItem(QString::fromLatin1(container.text), StoredIndex(container.container));
  ui_->frame_rate_combo->addItems(FrameRateChoices());
  ui_->video_bitrate_combo->addItems(VideoBitrateChoices());
  ui_->aspect_combo->addItems(AspectChoices());
  ui_->sample_rate_combo->addItems(SampleRateChoices());
  ui_->audio_bitrate_combo->addItems(AudioBitrateChoices());
  ui_->volume_combo->addItems(VolumeChoices());
  for (const QualityInfo& quality : QualityChoices())
    ui_->quality_combo->addItem(UiText(QString::fromLatin1(quality.text)), static_cast<int>(quality.choice));
  ui_->quality_combo->setInsertPolicy(QComboBox::NoInsert);
  ui_->quality_combo->setToolTip(UiText(ui_->quality_combo->toolTip()));
  for (const SpeedInfo& speed : SpeedChoices())
    ui_->speed_combo->addItem(UiText(QString::fromLatin1(speed.text)), static_cast<int>(speed.choice));
  ui_->target_size_combo->addItem(UiText(QStringLiteral("None")));
  ui_->target_size_combo->addItems(TargetSizeChoices());
  ui_->target_size_combo->setInsertPolicy(QComboBox::NoInsert);
  ui_->target_size_combo->setToolTip(UiText(ui_->target_size_combo->toolTip()));
  for (const HardwareInfo& hardware : HardwareChoices())
    ui_->hardware_combo->addItem(UiText(QString::fromLatin1(hardware.text)), static_cast<int>(hardware.choice));
  ui_->hardware_combo->setToolTip(UiText(ui_->hardware_combo->toolTip()));
  ui_->choice_note->setWordWrap(true);

  QSettings profile(kProfileOrganization, kProfileApplication);
  FillPresets();
  ui_->preset_combo->setToolTip(UiText(ui_->preset_combo->toolTip()));
  ui_->save_preset_btn->setText(UiText(ui_->save_preset_btn->text()));
  ui_->save_preset_btn->setToolTip(UiText(ui_->save_preset_btn->toolTip()));
  EncodingSettings stored = ReadEncodingSettings(profile);
  stored.disableAudio = AudioDisabled();
  Show(stored);

  connect(ui_->container_combo, &QComboBox::currentIndexChanged, this, &CVideoAudioSettingDlg::FillCodecs);
  connect(ui_->preset_combo, &QComboBox::activated, this, &CVideoAudioSettingDlg::ChoosePreset);
  connect(ui_->save_preset_btn, &QPushButton::clicked, this, &CVideoAudioSettingDlg::SavePreset);
  // A value of the preset's changed on the page: the preset is no longer chosen.
  for (QComboBox* combo : {ui_->container_combo, ui_->video_codec_combo, ui_->audio_codec_combo, ui_->quality_combo,
                           ui_->speed_combo, ui_->video_bitrate_combo, ui_->target_size_combo})
    connect(combo, &QComboBox::currentTextChanged, this, [this] {
      if (!PresetShown(Values())) ui_->preset_combo->setCurrentIndex(0);
    });
  // A set bit rate decides the size, else a target size; the quality applies without either.
  connect(ui_->video_bitrate_combo, &QComboBox::currentIndexChanged, this, &CVideoAudioSettingDlg::EnableRateControls);
  connect(ui_->target_size_combo, &QComboBox::currentTextChanged, this, &CVideoAudioSettingDlg::EnableRateControls);
  for (QComboBox* combo : {ui_->audio_codec_combo, ui_->sample_rate_combo, ui_->audio_bitrate_combo})
    connect(combo, &QComboBox::currentIndexChanged, this, &CVideoAudioSettingDlg::CheckRates);
  for (QComboBox* combo : {ui_->video_bitrate_combo, ui_->target_size_combo, ui_->audio_bitrate_combo})
    connect(combo, &QComboBox::currentTextChanged, this, &CVideoAudioSettingDlg::ShowSizeEstimate);
  connect(ui_->disable_audio_check, &QCheckBox::toggled, this, &CVideoAudioSettingDlg::ShowSizeEstimate);
  ShowSizeEstimate();
}

CVideoAudioSettingDlg::~CVideoAudioSettingDlg() = default;

void CVideoAudioSettingDlg::Show(const EncodingSettings& settings) {
  const QSignalBlocker blockContainer(ui_->container_combo);
  const int container = ui_->container_combo->findData(StoredIndex(settings.container));
  ui_->container_combo->setCurrentIndex(container >= 0 ? container : 0);
  const ContainerInfo& choice = SelectedContainer(ui_->container_combo);
  FillCodecCombo(ui_->video_codec_combo, choice.videoCodecs, StoredIndex(settings.videoCodec));
  FillCodecCombo(ui_->audio_codec_combo, choice.audioCodecs, StoredIndex(settings.audioCodec));

  SelectText(ui_->frame_rate_combo, AutoOrText(settings.frameRate));
  SelectText(ui_->video_bitrate_combo, AutoOrText(settings.videoBitrateKbps));
  SelectText(ui_->aspect_combo, settings.aspect);
  SelectText(ui_->sample_rate_combo, AutoOrText(settings.sampleRateKhz));
  SelectText(ui_->audio_bitrate_combo, AutoOrText(settings.audioBitrateKbps));
  SelectText(ui_->volume_combo, AutoOrText(settings.volume));
  ui_->disable_audio_check->setChecked(settings.disableAudio);
  if (settings.quality == QualityChoice::kLevel) {
    ui_->quality_combo->setEditText(QString::number(settings.qualityLevel));
  } else {
    ui_->quality_combo->setCurrentIndex(std::max(0, ui_->quality_combo->findData(static_cast<int>(settings.quality))));
  }
  if (settings.targetSizeMb) ui_->target_size_combo->setEditText(TargetSizeText(settings.targetSizeMb));
  else ui_->target_size_combo->setCurrentIndex(0);
  EnableRateControls();
  ui_->speed_combo->setCurrentIndex(std::max(0, ui_->speed_combo->findData(static_cast<int>(settings.speed))));
  ui_->hardware_combo->setCurrentIndex(std::max(0, ui_->hardware_combo->findData(static_cast<int>(settings.hardware))));
  CheckRates();
  ShowPreset(settings.preset);
  if (!PresetShown(Values())) ui_->preset_combo->setCurrentIndex(0);
}

void CVideoAudioSettingDlg::ShowPreset(const QString& name) {
  ui_->preset_combo->setCurrentIndex(0);
  const std::optional<Preset> preset = FindPreset(presets_, name);
  if (!preset) return;
  for (size_t i = 0; i < presets_.size(); ++i)
    if (presets_[i].name == preset->name) ui_->preset_combo->setCurrentIndex(static_cast<int>(i) + 1);
}

std::optional<Preset> CVideoAudioSettingDlg::PresetShown(const EncodingSettings& values) const {
  const int index = ui_->preset_combo->currentIndex();
  if (index <= 0 || index > static_cast<int>(presets_.size())) return std::nullopt;
  const Preset& preset = presets_[static_cast<size_t>(index - 1)];
  if (!HoldsPreset(values, preset)) return std::nullopt;
  return preset;
}

void CVideoAudioSettingDlg::ChoosePreset(int index) {
  if (index <= 0 || index > static_cast<int>(presets_.size())) return;
  EncodingSettings values = Values();
  ApplyPreset(presets_[static_cast<size_t>(index - 1)], values);
  Show(values);
}

void CVideoAudioSettingDlg::FillPresets() {
  QSettings profile(kProfileOrganization, kProfileApplication);
  presets_ = AllPresets(profile);
  const QSignalBlocker blockPresets(ui_->preset_combo);
  ui_->preset_combo->clear();
  ui_->preset_combo->addItem(UiText(QStringLiteral("None")));
  for (const Preset& preset : presets_) ui_->preset_combo->addItem(preset.name);
}

void CVideoAudioSettingDlg::SavePreset() {
  const EncodingSettings values = Values();
  const std::optional<Preset> shown = PresetShown(values);
  bool given = false;
  const QString name = QInputDialog::getText(this, UiText(QStringLiteral("Save as Preset")),
                                             UiText(QStringLiteral("Name of the preset:")), QLineEdit::Normal,
                                             shown ? shown->name : QString(), &given)
                           .simplified();
  if (!given || name.isEmpty()) return;
  if (FindPreset(BuiltInPresets(), name)) {
    QMessageBox::warning(this, UiText(QStringLiteral("Save as Preset")),
                         UiText(QStringLiteral("\"%1\" is a preset of the program's; choose another name.")).arg(name));
    return;
  }
  Preset preset;
  preset.name = name;
  preset.container = values.container;
  preset.videoCodec = values.videoCodec;
  preset.audioCodec = values.audioCodec;
  preset.quality = values.quality;
  preset.qualityLevel = values.qualityLevel;
  preset.speed = values.speed;
  // The size the videos are written at now: the Resize settings' while they
  // are on for every run, else the shown preset's.
  const ResizingSettings resizing = ReadResizingSettings(DataFile(kResizingSettingsFileName));
  const QSize size = resizing.resizeEveryTime ? OutputSize(resizing, true)
                     : shown                  ? QSize(shown->width, shown->height)
                                              : QSize();
  preset.width = std::max(0, size.width());
  preset.height = std::max(0, size.height());

  QSettings profile(kProfileOrganization, kProfileApplication);
  std::vector<Preset> own = ReadUserPresets(profile);
  std::erase_if(own, [&](const Preset& p) { return p.name.compare(name, Qt::CaseInsensitive) == 0; });
  own.push_back(preset);
  WriteUserPresets(profile, own);
  profile.sync();
  if (profile.status() != QSettings::NoError) {
    QMessageBox::warning(
        this, UiText(QStringLiteral("Save as Preset")),
        UiText(QStringLiteral("The preset could not be saved: %1 cannot be written.")).arg(profile.fileName()));
    return;
  }
  FillPresets();
  ShowPreset(name);
}

EncodingSettings CVideoAudioSettingDlg::Values() const {
  EncodingSettings values;
  values.container = SelectedContainer(ui_->container_combo).container;
  values.videoCodec = VideoCodecFromIndex(ui_->video_codec_combo->currentData().toInt()).value_or(VideoCodec::kH264);
  values.audioCodec = AudioCodecFromIndex(ui_->audio_codec_combo->currentData().toInt());
  ReadRate(ui_->video_bitrate_combo, values.videoBitrateKbps);
  ReadRate(ui_->frame_rate_combo, values.frameRate);
  values.aspect = StoredText(ui_->aspect_combo);
  ReadRate(ui_->sample_rate_combo, values.sampleRateKhz);
  ReadRate(ui_->audio_bitrate_combo, values.audioBitrateKbps);
  ReadRate(ui_->volume_combo, values.volume);
  values.disableAudio = ui_->disable_audio_check->isChecked();
  // A named item, or a typed level; anything else is auto.
  const QString quality = ui_->quality_combo->currentText().trimmed();
  const int named = ui_->quality_combo->findText(quality, Qt::MatchFixedString);
  if (named >= 0) values.quality = static_cast<QualityChoice>(ui_->quality_combo->itemData(named).toInt());
  else ParseQuality(quality, values.quality, values.qualityLevel);
  values.speed = static_cast<SpeedChoice>(ui_->speed_combo->currentData().toInt());
  values.targetSizeMb = TargetSizeShown();
  if (const std::optional<Preset> preset = PresetShown(values)) values.preset = preset->name;
  values.hardware = static_cast<HardwareChoice>(ui_->hardware_combo->currentData().toInt());
  return values;
}

std::optional<double> CVideoAudioSettingDlg::TargetSizeShown() const {
  // "None", or a size as typed; anything else is none.
  std::optional<double> megabytes;
  const QString text = ui_->target_size_combo->currentText().trimmed();
  if (text != ui_->target_size_combo->itemText(0)) ParseTargetSize(text, megabytes);
  return megabytes;
}

void CVideoAudioSettingDlg::ShowSizeEstimate() {
  const EncodingSettings values = Values();
  QString text;
  if (const std::optional<double> perMinute = MegabytesPerMinute(values)) {
    text = UiText(QStringLiteral("About %1 MB a minute of video.")).arg(*perMinute, 0, 'f', 1);
  } else if (values.targetSizeMb) {
    const std::optional<int> minute = VideoKbpsForTargetSize(values, 60);
    const std::optional<int> tenMinutes = VideoKbpsForTargetSize(values, 600);
    const QString size = QString::number(*values.targetSizeMb, 'g', 4);
    if (minute && tenMinutes)
      text = UiText(QStringLiteral("Each output about %1 MB: the video of a 1-minute clip at about %2 kbit/s, "
                                   "of a 10-minute clip at %3 kbit/s."))
                 .arg(size)
                 .arg(*minute)
                 .arg(*tenMinutes);
    else if (minute)
      text = UiText(QStringLiteral("Each output about %1 MB: the video of a 1-minute clip at about %2 kbit/s; "
                                   "the audio of a 10-minute clip alone would fill it."))
                 .arg(size)
                 .arg(*minute);
    else
      text = UiText(QStringLiteral("Each output about %1 MB: the audio of a 1-minute clip alone would fill it."))
                 .arg(size);
  }
  ui_->size_estimate_label->setText(text);
  ui_->size_estimate_label->setVisible(!text.isEmpty());
}

void CVideoAudioSettingDlg::EnableRateControls() {
  const bool rateAuto = ui_->video_bitrate_combo->currentIndex() <= 0;
  ui_->target_size_combo->setEnabled(rateAuto);
  ui_->quality_combo->setEnabled(rateAuto && !TargetSizeShown());
}

void CVideoAudioSettingDlg::Save() const {
  const EncodingSettings values = Values();
  QSettings profile(kProfileOrganization, kProfileApplication);
  WriteEncodingSettings(profile, values);
  profile.sync();
  SetAudioDisabled(values.disableAudio);
}

void CVideoAudioSettingDlg::FillCodecs() {
  const ContainerInfo& choice = SelectedContainer(ui_->container_combo);
  const QSignalBlocker blockAudio(ui_->audio_codec_combo);
  const auto video = VideoCodecFromIndex(ui_->video_codec_combo->currentData().toInt());
  const AudioCodec audio = AudioCodecFromIndex(ui_->audio_codec_combo->currentData().toInt());
  FillCodecCombo(ui_->video_codec_combo, choice.videoCodecs, ui_->video_codec_combo->currentData().toInt());
  FillCodecCombo(ui_->audio_codec_combo, choice.audioCodecs, ui_->audio_codec_combo->currentData().toInt());
  CheckRates();
  // A codec the new container does not hold gave way to its first one: say why.
  // One short line per codec (the lists show what the container holds) and the reason once.
  QStringList dropped;
  if (video && !Offers(choice, *video))
    dropped << UiText(QStringLiteral("%1 does not hold %2 video; %3 is chosen."))
                   .arg(QLatin1String(choice.text), QLatin1String(Info(*video).text),
                        ui_->video_codec_combo->currentText());
  if (!Offers(choice, audio))
    dropped << UiText(QStringLiteral("%1 does not hold %2 audio; %3 is chosen."))
                   .arg(QLatin1String(choice.text), QLatin1String(Info(audio).text),
                        ui_->audio_codec_combo->currentText());
  if (!dropped.isEmpty()) {
    QString limits = UiText(QString::fromLatin1(choice.limits));
    if (!limits.isEmpty()) limits[0] = limits[0].toUpper();
    dropped << limits + QLatin1Char('.');
  }
  if (!dropped.isEmpty())
    ui_->choice_note->setText((QStringList(ui_->choice_note->text()) + dropped).join(QLatin1Char('\n')).trimmed());
}

void CVideoAudioSettingDlg::CheckRates() {
  EncodingSettings values = Values();
  const QString reason = FitRatesToCodec(values);
  if (!reason.isEmpty()) {
    const QSignalBlocker block(ui_->audio_bitrate_combo);
    SelectText(ui_->audio_bitrate_combo, AutoOrText(values.audioBitrateKbps));
  }
  ui_->choice_note->setText(reason);
}

void CVideoAudioSettingDlg::SelectText(QComboBox* combo, const QString& value) {
  combo->setCurrentIndex(0);
  const int index = combo->findText(value, Qt::MatchFixedString);  // without regard to case
  if (index >= 0) combo->setCurrentIndex(index);
}

QString CVideoAudioSettingDlg::StoredText(const QComboBox* combo) {
  return combo->currentIndex() <= 0 ? QStringLiteral("auto") : combo->currentText();
}

}  // namespace vidmora
