#pragma once

// The command line of vidmora-cli.
//
//   vidmora-cli [options] FILE...        watermark the files (the batch)
//   vidmora-cli watch IN --output-dir OUT  watermark every video that appears in IN
//   vidmora-cli render --template NAME --image IN --out OUT.png [--time SECONDS]
//   vidmora-cli templates [--show NAME]  list the templates, or one's layers
//
// Options override the stored settings for this run only. Parsing is done by
// QCommandLineParser over one table of options, which also gives the help text.

#include "app/processing/encoding_settings.h"
#include "app/processing/presets.h"
#include "app/processing/transcode_job.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vidmora::cli {

enum class Command { Batch, Watch, Render, Templates, Help, Version };

// Overrides of the stored settings; unset members leave the stored value.
struct SettingOverrides {
  std::optional<QString> templateName;
  std::optional<QString> outputFolder;  // set: into this folder
  bool besideSource = false;
  std::optional<QString> suffix;        // set: rename with this suffix
  bool keepName = false;
  std::optional<Preset> preset;  // applied first; the other overrides win over it
  std::optional<Container> container;
  std::optional<VideoCodec> videoCodec;
  std::optional<AudioCodec> audioCodec;
  // Set to a value, or set to auto (an empty AutoOr).
  std::optional<AutoOr<int>> videoBitrateKbps;
  std::optional<AutoOr<double>> frameRate;
  std::optional<AutoOr<double>> sampleRateKhz;
  std::optional<AutoOr<int>> audioBitrateKbps;
  std::optional<AutoOr<int>> volume;
  std::optional<QualityChoice> quality;
  int qualityLevel = 23;  // with QualityChoice::kLevel
  std::optional<SpeedChoice> speed;
  std::optional<HardwareChoice> hardware;
  std::optional<std::optional<double>> targetSizeMb;  // set to a size, or to none
  std::optional<int> width;                           // of the videos written; 0 keeps the source's
  std::optional<int> height;
  bool enlarge = false;  // --enlarge: a smaller picture is enlarged to the size too
  bool noAudio = false;
  std::optional<bool> onlyReencodeMarked;  // --smart on|off
};

enum class ReportFormat { Human, JsonLines };

struct CliOptions {
  Command command = Command::Batch;
  SettingOverrides overrides;
  bool quiet = false;
  QStringList files;   // batch: the sources given as arguments
  QString imagePath;   // render
  QString outPath;     // render
  QString watchFolder; // watch: the folder watched

  // Batch and watch.
  ExistingOutputs existing = ExistingOutputs::SameSourceOnly;
  bool skipExisting = false;
  std::optional<QString> filesFrom;  // a list file, or "-" for standard input
  std::optional<QString> shard;      // "K/N" or "auto", checked when the list is known
  std::optional<int> shards;         // N for --shard auto where the scheduler gives only K
  ReportFormat report = ReportFormat::Human;
  int jobs = 1;
  double pollSeconds = 2;  // watch: how often the folder is looked at
  std::optional<double> timeSeconds;  // render: the frame's time in a clip
  std::optional<QString> showTemplate;  // templates: the one to describe
  std::optional<QString> recipients;    // batch: a recipient list (CSV), one output per file and recipient
  QString namePattern;                  // batch: output names from tokens ("{file}_{recipient}")
};

// Parses arguments (without the program name). On a usage error returns
// nothing and sets `error` to one line for the user.
std::optional<CliOptions> ParseCommandLine(const QStringList& arguments, QString& error);

QString UsageText();

}  // namespace vidmora::cli
