#include "app/settings/video_audio_setting_dlg.h"

#include "app/processing/codec_limits.h"
#include "app/processing/encoding_choices.h"
#include "app/settings/session_choices.h"
#include "ui_video_audio_setting_dlg.h"

#include <QSettings>

namespace vidmora {

namespace {

void FillCodecCombo(QComboBox* combo, std::span<const CodecChoice> codecs, int stored) {
  combo->clear();
  for (const CodecChoice& codec : codecs) combo->addItem(QString::fromLatin1(codec.text), codec.index);
  combo->setCurrentIndex(0);
  const int index = combo->findData(stored);
  if (index >= 0) combo->setCurrentIndex(index);
}

}  // namespace

CVideoAudioSettingDlg::CVideoAudioSettingDlg(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CVideoAudioSettingDlg>()) {
  ui_->setupUi(this);
  for (const ContainerChoice& container : Containers())
    ui_->container_combo->addItem(QString::fromLatin1(container.text), container.index);
  ui_->frame_rate_combo->addItems(FrameRateChoices());
  ui_->video_bitrate_combo->addItems(VideoBitrateChoices());
  ui_->aspect_combo->addItems(AspectChoices());
  ui_->sample_rate_combo->addItems(SampleRateChoices());
  ui_->audio_bitrate_combo->addItems(AudioBitrateChoices());
  ui_->volume_combo->addItems(VolumeChoices());
  ui_->choice_note->setWordWrap(true);

  QSettings profile(kProfileOrganization, kProfileApplication);
  EncodingSettings stored = ReadEncodingSettings(profile);
  stored.disableAudio = AudioDisabled();
  Show(stored);

  connect(ui_->container_combo, &QComboBox::currentIndexChanged, this, &CVideoAudioSettingDlg::FillCodecs);
  for (QComboBox* combo : {ui_->audio_codec_combo, ui_->sample_rate_combo, ui_->audio_bitrate_combo})
    connect(combo, &QComboBox::currentIndexChanged, this, &CVideoAudioSettingDlg::CheckRates);
}

CVideoAudioSettingDlg::~CVideoAudioSettingDlg() = default;

void CVideoAudioSettingDlg::Show(const EncodingSettings& settings) {
  const QSignalBlocker blockContainer(ui_->container_combo);
  const int container = ui_->container_combo->findData(settings.outputFormat);
  ui_->container_combo->setCurrentIndex(container >= 0 ? container : 0);
  const ContainerChoice* choice = FindContainer(ui_->container_combo->currentData().toInt());
  FillCodecCombo(ui_->video_codec_combo, choice->videoCodecs, settings.videoCodec);
  FillCodecCombo(ui_->audio_codec_combo, choice->audioCodecs, settings.audioCodec);

  SelectText(ui_->frame_rate_combo, settings.frameRate);
  SelectText(ui_->video_bitrate_combo, settings.videoBitrate);
  SelectText(ui_->aspect_combo, settings.aspect);
  SelectText(ui_->sample_rate_combo, settings.audioSampleRate);
  SelectText(ui_->audio_bitrate_combo, settings.audioBitrate);
  SelectText(ui_->volume_combo, settings.audioVolume);
  ui_->disable_audio_check->setChecked(settings.disableAudio);
  CheckRates();
}

EncodingSettings CVideoAudioSettingDlg::Values() const {
  EncodingSettings values;
  values.outputFormat = ui_->container_combo->currentData().toInt();
  values.videoCodec = ui_->video_codec_combo->currentData().toInt();
  values.audioCodec = ui_->audio_codec_combo->currentData().toInt();
  values.videoBitrate = StoredText(ui_->video_bitrate_combo);
  values.frameRate = StoredText(ui_->frame_rate_combo);
  values.aspect = StoredText(ui_->aspect_combo);
  values.audioSampleRate = StoredText(ui_->sample_rate_combo);
  values.audioBitrate = StoredText(ui_->audio_bitrate_combo);
  values.audioVolume = StoredText(ui_->volume_combo);
  values.disableAudio = ui_->disable_audio_check->isChecked();
  return values;
}

void CVideoAudioSettingDlg::Save() const {
  const EncodingSettings values = Values();
  QSettings profile(kProfileOrganization, kProfileApplication);
  WriteEncodingSettings(profile, values);
  profile.sync();
  SetAudioDisabled(values.disableAudio);
}

void CVideoAudioSettingDlg::FillCodecs() {
  const ContainerChoice* choice = FindContainer(ui_->container_combo->currentData().toInt());
  if (choice == nullptr) return;
  const QSignalBlocker blockAudio(ui_->audio_codec_combo);
  FillCodecCombo(ui_->video_codec_combo, choice->videoCodecs, ui_->video_codec_combo->currentData().toInt());
  FillCodecCombo(ui_->audio_codec_combo, choice->audioCodecs, ui_->audio_codec_combo->currentData().toInt());
  CheckRates();
}

void CVideoAudioSettingDlg::CheckRates() {
  EncodingSettings values = Values();
  const QString reason = FitRatesToCodec(values);
  if (!reason.isEmpty()) {
    const QSignalBlocker block(ui_->audio_bitrate_combo);
    SelectText(ui_->audio_bitrate_combo, values.audioBitrate);
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
