#pragma once

// The command line of vidmora-cli.
//
//   vidmora-cli [options] FILE...        watermark the files (the batch)
//   vidmora-cli render --template NAME --image IN --out OUT.png [--time SECONDS]
//   vidmora-cli templates [--show NAME]  list the templates, or one's layers
//
// Options override the stored settings for this run only.

#include "app/processing/encoding_settings.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vidmora::cli {

enum class Command { Batch, Render, Templates, Help, Version };

// Overrides of the stored settings; unset members leave the stored value.
struct SettingOverrides {
  std::optional<QString> templateName;
  std::optional<QString> outputFolder;  // set: into this folder
  bool besideSource = false;
  std::optional<QString> suffix;        // set: rename with this suffix
  bool keepName = false;
  std::optional<Container> container;
  std::optional<VideoCodec> videoCodec;
  std::optional<AudioCodec> audioCodec;
  // Set to a value, or set to auto (an empty AutoOr).
  std::optional<AutoOr<int>> videoBitrateKbps;
  std::optional<AutoOr<double>> frameRate;
  std::optional<AutoOr<double>> sampleRateKhz;
  std::optional<AutoOr<int>> audioBitrateKbps;
  std::optional<AutoOr<int>> volume;
  bool noAudio = false;
};

struct CliOptions {
  Command command = Command::Batch;
  SettingOverrides overrides;
  bool quiet = false;
  QStringList files;   // batch: the sources
  QString imagePath;   // render
  QString outPath;     // render
  std::optional<double> timeSeconds;  // render: the frame's time in a clip
  std::optional<QString> showTemplate;  // templates: the one to describe
};

// Parses arguments (without the program name). On a usage error returns
// nothing and sets `error` to one line for the user.
std::optional<CliOptions> ParseCommandLine(const QStringList& arguments, QString& error);

QString UsageText();

}  // namespace vidmora::cli
