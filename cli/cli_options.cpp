#include "cli/cli_options.h"

#include "app/processing/encoder_arguments.h"
#include "app/processing/encoding_choices.h"
#include "app/processing/settings/output_preferences.h"
#include "shared/program_profile.h"

#include <QCommandLineParser>
#include <QSettings>

#include <span>
#include <vector>

namespace vidmora::cli {

namespace {

// "a|b|c": the option names of a table's entries.
template <typename Entry>
QString Names(std::span<const Entry> table) {
  QStringList names;
  for (const Entry& entry : table) names << entry.optionName;
  return names.join('|');
}

// The values each rate option takes: what the encoder accepts.
struct RateRange {
  bool integral;
  double min;  // the least value; above 0 when 0 is not allowed
  double max;
  const char* unit;  // for the message
};
constexpr RateRange kBitRateRange{true, 1, 10'000'000, "kbit/s"};  // 10 Gbit/s, the encoder's limit
constexpr RateRange kFrameRateRange{false, 0.001, 1000, "frames per second"};
constexpr RateRange kSampleRateRange{false, 0.001, 768, "kHz"};
constexpr RateRange kVolumeRange{true, 0, 65536, "(256 keeps the level)"};
constexpr int kMaxJobs = 64;
constexpr int kMaxShards = 1'000'000;

QString Number(double value) { return QString::number(value, 'g', 10); }

// "auto" (no value), or a number within `range` (whole for an int); nothing
// when the text is neither.
template <typename T>
std::optional<AutoOr<T>> RateValue(const QString& text, const RateRange& range) {
  AutoOr<T> parsed;
  if (!ParseAutoOr(text, parsed)) return std::nullopt;
  if (!parsed) return parsed;
  double value = *parsed;
  // A sample rate given in Hz (44100) is taken as the kHz it means.
  if (&range == &kSampleRateRange && value > range.max && value <= range.max * 1000) value /= 1000;
  if (value < range.min || value > range.max) return std::nullopt;
  return AutoOr<T>(static_cast<T>(value));
}

QString RangeText(const RateRange& range) {
  const QString from = range.min > 0 && !range.integral ? "above 0" : "from " + Number(range.min);
  return QString("a %1 %2 to %3 %4, or auto")
      .arg(range.integral ? "whole number" : "number", from, Number(range.max), range.unit);
}

// What an option does with its value (flags get an empty one); false with
// `error` set when the value is refused.
using Apply = bool (*)(CliOptions& options, const QString& name, const QString& value, QString& error);

struct OptionSpec {
  QString name;       // without the leading "--"
  QString valueName;  // empty for a flag
  QString help;
  Apply apply;
};

// A side of the videos written: a whole number of pixels, 0 to keep the source's.
bool Side(std::optional<int>& target, const QString& name, const QString& value, QString& error) {
  AutoOr<int> side;
  if (!ParseAutoOr(value, side) || !side || *side > kLargestOutputSide) {
    error =
        name + ": \"" + value + "\" is not a whole number of pixels from 0 to " + QString::number(kLargestOutputSide);
    return false;
  }
  target = *side;
  return true;
}

template <typename T>
bool Rate(std::optional<AutoOr<T>>& target, const RateRange& range, const QString& name, const QString& value,
          QString& error) {
  target = RateValue<T>(value, range);
  if (!target) error = name + ": \"" + value + "\" is not " + RangeText(range);
  return target.has_value();
}

// The action of a rate option's row: the value goes to `member` of the overrides, checked against `range`.
template <auto member, const RateRange& range>
bool RateOption(CliOptions& o, const QString& name, const QString& value, QString& error) {
  return Rate(o.overrides.*member, range, name, value, error);
}

template <typename T, typename Entry>
bool Choice(std::optional<T>& target, std::span<const Entry> table, std::optional<T> (*lookup)(const QString&),
            const QString& name, const QString& value, QString& error) {
  target = lookup(value);
  if (!target) error = name + ": \"" + value + "\" is not one of " + Names(table);
  return target.has_value();
}

bool NotEmpty(const QString& name, const QString& value, QString& error) {
  if (value.isEmpty()) error = name + " needs a folder, not an empty text";
  return !value.isEmpty();
}

// A suffix becomes part of a file name: no folder separator, no control character.
bool FileNamePart(const QString& option, const QString& value, QString& error) {
  if (IsFileNamePart(value)) return true;
  error = option + ": \"" + value + "\" cannot be part of a file name (it holds \"/\" or a control character)";
  return false;
}

bool WholeNumber(int& target, int min, int max, const QString& name, const QString& value, QString& error) {
  bool ok = false;
  const int number = value.toInt(&ok);
  if (!ok || number < min || number > max) {
    error = QString("%1: \"%2\" is not a whole number from %3 to %4").arg(name, value).arg(min).arg(max);
    return false;
  }
  target = number;
  return true;
}

std::optional<ExistingOutputs> ExistingFromName(const QString& text) {
  if (text == "keep-both") return ExistingOutputs::KeepBoth;
  if (text == "replace") return ExistingOutputs::Replace;
  if (text == "skip") return ExistingOutputs::Skip;
  return std::nullopt;
}

// A preset by its name (without case), built in or the user's.
bool PresetNamed(CliOptions& o, const QString& name, const QString& value, QString& error) {
  QSettings profile(kProfileOrganization, kProfileApplication);
  const std::vector<Preset> presets = AllPresets(profile);
  o.overrides.preset = FindPreset(presets, value);
  if (o.overrides.preset) return true;
  QStringList names;
  for (const Preset& preset : presets) names << "\"" + preset.name + "\"";
  error = name + ": \"" + value + "\" is no preset; the presets are " + names.join(", ");
  return false;
}

QString BuiltInPresetNames() {
  QStringList names;
  for (const Preset& preset : BuiltInPresets()) names << "\"" + preset.name + "\"";
  return names.join(", ");
}

// The one table of options: parsing and the help text both come from it.
const std::vector<OptionSpec>& OptionTable() {
  static const std::vector<OptionSpec> table = {
      {"template", "NAME", "the template to paint",
       [](CliOptions& o, const QString&, const QString& v, QString&) { return (o.overrides.templateName = v, true); }},
      {"output-dir", "DIR", "write the outputs into DIR",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         o.overrides.outputFolder = v;
         return NotEmpty(n, v, e);
       }},
      {"beside",
       {},
       "write each output beside its source",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.overrides.besideSource = true); }},
      {"suffix", "TEXT", "name the outputs <name>TEXT.<ext>",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         o.overrides.suffix = v;
         return FileNamePart(n, v, e);
       }},
      {"recipients", "FILE.csv",
       "one output per file and recipient of the list (a header line, then\n"
       "one recipient a line; {recipient} and {recipient.COLUMN} in the template)",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         o.recipients = v;
         return NotEmpty(n, v, e);
       }},
      {"name-pattern", "PATTERN", "name the outputs from tokens, e.g. \"{file}_{recipient}\" ({file} by default)",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         o.namePattern = v;
         return NotEmpty(n, v, e);
       }},
      {"keep-name",
       {},
       "name the outputs <name>.<ext>",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.overrides.keepName = true); }},
      {"preset", "NAME",
       "set the format, codecs, quality, speed and size from a preset (" + BuiltInPresetNames() +
           ", or one of your own); the other options given win over it",
       PresetNamed},
      {"format", "F", Names(Containers()),
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         return Choice(o.overrides.container, Containers(), ContainerFromOptionName, n, v, e);
       }},
      {"vcodec", "C", Names(VideoCodecs()) + " (as the format offers)",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         return Choice(o.overrides.videoCodec, VideoCodecs(), VideoCodecFromOptionName, n, v, e);
       }},
      {"acodec", "C", Names(AudioCodecs()) + "|same (as the format offers; same = copy)",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         return Choice(o.overrides.audioCodec, AudioCodecs(), AudioCodecFromOptionName, n, v, e);
       }},
      {"quality", "Q",
       "like-source|high|standard|small|auto, or a level 0 (finest) .. 51; used while the video bit rate is auto",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         QualityChoice choice = QualityChoice::kAuto;
         if (!ParseQuality(v, choice, o.overrides.qualityLevel)) {
           e = n + ": \"" + v + "\" is not one of like-source|high|standard|small|auto or a level 0 to 51";
           return false;
         }
         o.overrides.quality = choice;
         return true;
       }},
      {"speed", "S", "faster|balanced|smaller: the encoder's speed against the file's size",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         o.overrides.speed = SpeedFromWord(v);
         if (!o.overrides.speed) e = n + ": \"" + v + "\" is not one of faster|balanced|smaller";
         return o.overrides.speed.has_value();
       }},
      {"hw", "H",
       "auto|off|vaapi|nvenc|qsv: a hardware video encoder, tried on each file; where it fails the\n"
       "software encoder of the same codec writes the file, noted in its row (off by default)",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         o.overrides.hardware = HardwareFromWord(v);
         if (!o.overrides.hardware) e = n + ": \"" + v + "\" is not one of auto|off|vaapi|nvenc|qsv";
         return o.overrides.hardware.has_value();
       }},
      {"target-size", "MB",
       "a size for each output in MB (10^6 bytes), coded in two passes, or none; a set video bit rate wins",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         std::optional<double> megabytes;
         if (!ParseTargetSize(v, megabytes)) {
           e = n + ": \"" + v + "\" is not a size in MB above 0, or none";
           return false;
         }
         o.overrides.targetSizeMb = megabytes;
         return true;
       }},
      {"width", "N", "the width of the videos written, as shown (aspect kept, not enlarged); 0 keeps it",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) { return Side(o.overrides.width, n, v, e); }},
      {"height", "N", "the height of the videos written, as shown; with --width the box they fit in; 0 keeps it",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) { return Side(o.overrides.height, n, v, e); }},
      {"enlarge",
       {},
       "enlarge videos smaller than --width/--height to that size too",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.overrides.enlarge = true); }},
      {"video-bitrate", "N", "kbit/s, or auto", RateOption<&SettingOverrides::videoBitrateKbps, kBitRateRange>},
      {"frame-rate", "N", "frames per second, or auto", RateOption<&SettingOverrides::frameRate, kFrameRateRange>},
      {"sample-rate", "N", "kHz (44.1; 44100 is taken as Hz), or auto",
       RateOption<&SettingOverrides::sampleRateKhz, kSampleRateRange>},
      {"audio-bitrate", "N", "kbit/s, or auto", RateOption<&SettingOverrides::audioBitrateKbps, kBitRateRange>},
      {"volume", "N", "256 keeps the level, 128 halves it, or auto",
       RateOption<&SettingOverrides::volume, kVolumeRange>},
      {"no-audio",
       {},
       "leave the audio out",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.overrides.noAudio = true); }},
      {"smart", "on|off", "re-encode only the pictures a timed mark shows on, copy the rest (on by default)",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         if (v != "on" && v != "off") e = n + ": \"" + v + "\" is not on or off";
         o.overrides.onlyReencodeMarked = v == "on";
         return v == "on" || v == "off";
       }},
      {"existing", "WHAT",
       "an output name that exists: keep-both (the new one is numbered), replace, skip;\n"
       "by default only an earlier output of the same source is replaced",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         const std::optional<ExistingOutputs> choice = ExistingFromName(v);
         if (!choice) e = n + ": \"" + v + "\" is not one of keep-both|replace|skip";
         o.existing = choice.value_or(o.existing);
         return choice.has_value();
       }},
      {"skip-existing",
       {},
       "skip a file whose output was made from it with this template and settings",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.skipExisting = true); }},
      {"files-from", "FILE", "also the paths listed in FILE, one a line (- for standard input)",
       [](CliOptions& o, const QString&, const QString& v, QString&) { return (o.filesFrom = v, true); }},
      {"shard", "K/N",
       "only the files at positions K, K+N, K+2N... of the list (from 0);\n"
       "auto: K and N from Slurm, Kubernetes or AWS Batch",
       [](CliOptions& o, const QString&, const QString& v, QString&) { return (o.shard = v, true); }},
      {"shards", "N", "N for --shard auto where the scheduler gives only K",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         int count = 0;
         const bool ok = WholeNumber(count, 1, kMaxShards, n, v, e);
         if (ok) o.shards = count;
         return ok;
       }},
      {"report", "jsonl", "one JSON object per file on standard output, then a summary",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         if (v != "jsonl") e = n + ": \"" + v + "\" is not jsonl";
         o.report = ReportFormat::JsonLines;
         return v == "jsonl";
       }},
      {"jobs", "N", "files encoded at once (1 by default); the encoders share the processors",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         return WholeNumber(o.jobs, 1, kMaxJobs, n, v, e);
       }},
      {"poll-interval", "S", "watch: look at the folder every S seconds (2 by default)",
       [](CliOptions& o, const QString& n, const QString& v, QString& e) {
         bool ok = false;
         const double seconds = v.toDouble(&ok);
         if (!ok || seconds < 0.05 || seconds > 3600) {
           e = n + ": \"" + v + "\" is not a number of seconds from 0.05 to 3600";
           return false;
         }
         o.pollSeconds = seconds;
         return true;
       }},
      {"quiet",
       {},
       "print only failures and the last output",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.quiet = true); }},
      {"image", "IN", "render: the picture to paint over",
       [](CliOptions& o, const QString&, const QString& v, QString&) { return (o.imagePath = v, true); }},
      {"out", "OUT.png", "render: the painted picture",
       [](CliOptions& o, const QString&, const QString& v, QString&) { return (o.outPath = v, true); }},
      {"time", "SECONDS", "render: paint the watermark as it is at this time of a clip",
       [](CliOptions& o, const QString& name, const QString& v, QString& error) {
         bool number = false;
         const double seconds = v.toDouble(&number);
         if (!number || seconds < 0 || seconds > 1e7) {
           error = name + ": \"" + v + "\" is not a number of seconds from 0";
           return false;
         }
         o.timeSeconds = seconds;
         return true;
       }},
      {"show", "NAME", "templates: tell the template's layers, their timing and motion",
       [](CliOptions& o, const QString&, const QString& v, QString&) { return (o.showTemplate = v, true); }},
      {"help",
       {},
       "this text",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.command = Command::Help, true); }},
      {"version",
       {},
       "the program's version",
       [](CliOptions& o, const QString&, const QString&, QString&) { return (o.command = Command::Version, true); }},
  };
  return table;
}

QString CheckCombination(const CliOptions& options) {
  const SettingOverrides& o = options.overrides;
  if (o.besideSource && o.outputFolder) return "--beside and --output-dir exclude each other";
  if (o.keepName && o.suffix) return "--keep-name and --suffix exclude each other";
  if (options.command != Command::Render) {
    if (!options.imagePath.isEmpty()) return "unknown option --image";
    if (!options.outPath.isEmpty()) return "unknown option --out";
    if (options.timeSeconds) return "unknown option --time";
  }
  if (options.command != Command::Templates && options.showTemplate) return "unknown option --show";
  const bool batch = options.command == Command::Batch;
  if (!batch && (options.filesFrom || options.shard || options.shards || options.jobs != 1))
    return "--files-from, --shard, --shards and --jobs are for a batch of files";
  if (options.shards && options.shard != "auto") return "--shards goes with --shard auto";
  switch (options.command) {
    case Command::Batch:
      if (options.files.isEmpty() && !options.filesFrom) return "no video files given";
      break;
    case Command::Watch:
      if (options.files.size() != 1) return "watch needs one folder: vidmora-cli watch IN --output-dir OUT";
      if (!o.outputFolder) return "watch needs --output-dir OUT";
      break;
    case Command::Render:
      if (!o.templateName || options.imagePath.isEmpty() || options.outPath.isEmpty())
        return "render needs --template NAME --image IN --out OUT.png";
      if (!options.files.isEmpty()) return "render takes no file arguments";
      break;
    case Command::Templates:
      if (!options.files.isEmpty()) return "templates takes no arguments";
      break;
    default: break;
  }
  return {};
}

}  // namespace

QString UsageText() {
  QString text =
      "Usage: vidmora-cli [options] FILE...\n"
      "       vidmora-cli watch IN --output-dir OUT [options]\n"
      "       vidmora-cli render --template NAME --image IN --out OUT.png [--time SECONDS]\n"
      "       vidmora-cli templates [--show NAME]\n"
      "\n"
      "Burns the watermark template into every FILE and re-encodes it. The stored template,\n"
      "preferences and encoding settings apply; options change them for this run only.\n"
      "watch watermarks every video that appears in IN, once it is complete, into OUT.\n"
      "\n";
  for (const OptionSpec& spec : OptionTable()) {
    QString left = "  --" + spec.name + (spec.valueName.isEmpty() ? "" : " " + spec.valueName);
    left = left.leftJustified(24);
    const QStringList lines = spec.help.split('\n');
    text += left + " " + lines.front() + "\n";
    for (qsizetype i = 1; i < lines.size(); ++i) text += QString(25, ' ') + lines[i] + "\n";
  }
  text +=
      "\n"
      "Ctrl-C once stops after the current file; twice abandons the current file too.\n"
      "Exit status: 0 every file done or skipped by the naming rules; 1 a file failed for a reason\n"
      "a retry will not mend; 2 usage error; 75 the run was interrupted or hit a condition that\n"
      "may pass (disk full, output folder gone, encoder library missing): a retry may succeed.\n"
      "When both 1 and 75 apply, 75 wins.\n";
  return text;
}

std::optional<CliOptions> ParseCommandLine(const QStringList& arguments, QString& error) {
  CliOptions options;
  QStringList rest = arguments;
  static const std::pair<const char*, Command> kCommands[] = {
      {"render", Command::Render}, {"templates", Command::Templates}, {"watch", Command::Watch}};
  for (const auto& [word, command] : kCommands) {
    if (!rest.isEmpty() && rest.front() == word) {
      options.command = command;
      rest.removeFirst();
    }
  }

  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const OptionSpec& spec : OptionTable()) {
    QCommandLineOption option(spec.name, spec.help, spec.valueName);
    parser.addOption(option);
  }
  parser.addPositionalArgument("FILE", "the videos");
  // QCommandLineParser's first argument is the program name.
  if (!parser.parse(QStringList{"vidmora-cli"} + rest)) {
    error = parser.errorText();
    if (!parser.unknownOptionNames().isEmpty()) error += " (a file whose name begins with \"-\" goes after \"--\")";
    return std::nullopt;
  }
  for (const OptionSpec& spec : OptionTable()) {
    if (!parser.isSet(spec.name)) continue;
    // Given twice, the last one wins, as the stored settings it overrides.
    const QString value = spec.valueName.isEmpty() ? QString() : parser.value(spec.name);
    if (!spec.apply(options, "--" + spec.name, value, error)) return std::nullopt;
  }
  if (options.command == Command::Help || options.command == Command::Version) return options;
  options.files = parser.positionalArguments();
  if (options.command == Command::Watch && !options.files.isEmpty()) options.watchFolder = options.files.front();
  error = CheckCombination(options);
  if (!error.isEmpty()) return std::nullopt;
  if (options.command == Command::Watch) options.files.clear();
  return options;
}

}  // namespace vidmora::cli
