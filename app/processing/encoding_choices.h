#pragma once

// What the encoding settings may hold: the containers with the codecs each
// offers, and the value lists of the rate and volume choices. The settings
// page shows them; vidmora-cli checks its options against them.

#include <QString>
#include <QStringList>

#include <span>

namespace vidmora {

struct EncodingSettings;

struct CodecChoice {
  const char* text;  // as the settings page shows it: "H264"
  int index;         // the stored codec index
};

struct ContainerChoice {
  const char* text;  // "MP4"
  int index;         // the stored output format index
  std::span<const CodecChoice> videoCodecs;  // the first is preselected
  std::span<const CodecChoice> audioCodecs;
};

// The six containers in the order the settings page lists them.
std::span<const ContainerChoice> Containers();
// The container of an output format index; null when there is none.
const ContainerChoice* FindContainer(int outputFormatIndex);

// When the stored codec is not offered by the stored container, the first
// codec the container offers takes its place, as the settings page selects it.
void FitCodecsToContainer(EncodingSettings& settings);

// The value lists, item 0 always "Auto" (stored as "auto").
QStringList FrameRateChoices();
QStringList VideoBitrateChoices();
QStringList AspectChoices();
QStringList SampleRateChoices();
QStringList AudioBitrateChoices();
QStringList VolumeChoices();

}  // namespace vidmora
