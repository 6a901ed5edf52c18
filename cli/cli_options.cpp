#include "cli/cli_options.h"

#include "app/processing/encoding_choices.h"

#include <span>

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
  double min;        // the least value; above 0 when 0 is not allowed
  double max;
  const char* unit;  // for the message
};
constexpr RateRange kBitRateRange{true, 1, 10'000'000, "kbit/s"};  // 10 Gbit/s, the encoder's limit
constexpr RateRange kFrameRateRange{false, 0.001, 1000, "frames per second"};
constexpr RateRange kSampleRateRange{false, 0.001, 768, "kHz"};
constexpr RateRange kVolumeRange{true, 0, 65536, "(256 keeps the level)"};

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

bool NotEmpty(const QString& option, const QString& value, QString& error) {
  if (value.isEmpty()) error = option + " needs a folder, not an empty text";
  return !value.isEmpty();
}

// A suffix becomes part of a file name: no folder separator, no control character.
bool FileNamePart(const QString& option, const QString& value, QString& error) {
  for (const QChar c : value) {
    if (c == '/' || c.category() == QChar::Other_Control) {
      error = option + ": \"" + value + "\" cannot be part of a file name (it holds \"/\" or a control character)";
      return false;
    }
  }
  return true;
}

}  // namespace

QString UsageText() {
  return QString(
      "Usage: vidmora-cli [options] FILE...\n"
      "       vidmora-cli render --template NAME --image IN --out OUT.png [--time SECONDS]\n"
      "       vidmora-cli templates [--show NAME]\n"
      "\n"
      "Burns the watermark template into every FILE and re-encodes it. The stored template,\n"
      "preferences and encoding settings apply; options change them for this run only.\n"
      "\n"
      "  --template NAME        the template to paint\n"
      "  --output-dir DIR       write the outputs into DIR\n"
      "  --beside               write each output beside its source\n"
      "  --suffix TEXT          name the outputs <name>TEXT.<ext> (an existing one is replaced)\n"
      "  --keep-name            name the outputs <name>.<ext> (an existing one is kept, the file skipped)\n"
      "  --format F             %1\n"
      "  --vcodec C             %2 (as the format offers)\n"
      "  --acodec C             %3 (as the format offers)\n"
      "  --video-bitrate N      kbit/s, or auto\n"
      "  --frame-rate N         frames per second, or auto\n"
      "  --sample-rate N        kHz (44.1; 44100 is taken as Hz), or auto\n"
      "  --audio-bitrate N      kbit/s, or auto\n"
      "  --volume N             256 keeps the level, 128 halves it, or auto\n"
      "  --no-audio             leave the audio out\n"
      "  --quiet                print only failures and the last output\n"
      "  --help, --version\n"
      "\n"
      "Ctrl-C once stops after the current file; twice abandons the current file too.\n"
      "Exit status: 0 every file done or skipped by the naming rules, 1 a file failed or the run\n"
      "was stopped, 2 usage error.\n")
      .arg(Names(Containers()), Names(VideoCodecs()), Names(AudioCodecs()));
}

std::optional<CliOptions> ParseCommandLine(const QStringList& arguments, QString& error) {
  CliOptions options;
  SettingOverrides& o = options.overrides;
  qsizetype i = 0;
  if (!arguments.isEmpty() && arguments[0] == "render") {
    options.command = Command::Render;
    ++i;
  } else if (!arguments.isEmpty() && arguments[0] == "templates") {
    options.command = Command::Templates;
    ++i;
  }

  bool onlyFiles = false;
  for (; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (onlyFiles || !arg.startsWith("--")) {
      options.files << arg;
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    // Options with a value take the next argument (or "--name=value").
    QString name = arg;
    std::optional<QString> inlineValue;
    if (const qsizetype eq = arg.indexOf('='); eq > 0) {
      name = arg.left(eq);
      inlineValue = arg.mid(eq + 1);
    }
    auto value = [&]() -> std::optional<QString> {
      if (inlineValue) return inlineValue;
      if (i + 1 >= arguments.size()) return std::nullopt;
      return arguments[++i];
    };
    auto needValue = [&](std::optional<QString>& target) {
      target = value();
      if (!target) error = name + " needs a value";
      return target.has_value();
    };
    auto rate = [&]<typename T>(std::optional<AutoOr<T>>& target, const RateRange& range) {
      std::optional<QString> text;
      if (!needValue(text)) return false;
      target = RateValue<T>(*text, range);
      if (!target) error = name + ": \"" + *text + "\" is not " + RangeText(range);
      return target.has_value();
    };
    auto choice = [&]<typename T, typename Entry>(std::optional<T>& target, std::span<const Entry> table,
                                                  std::optional<T> (*lookup)(const QString&)) {
      std::optional<QString> text;
      if (!needValue(text)) return false;
      target = lookup(*text);
      if (!target) error = name + ": \"" + *text + "\" is not one of " + Names(table);
      return target.has_value();
    };

    bool ok = true;
    if (name == "--help") options.command = Command::Help;
    else if (name == "--version") options.command = Command::Version;
    else if (name == "--quiet") options.quiet = true;
    else if (name == "--beside") o.besideSource = true;
    else if (name == "--keep-name") o.keepName = true;
    else if (name == "--no-audio") o.noAudio = true;
    else if (name == "--template") ok = needValue(o.templateName);
    else if (name == "--output-dir") ok = needValue(o.outputFolder) && NotEmpty(name, *o.outputFolder, error);
    else if (name == "--suffix") ok = needValue(o.suffix) && FileNamePart(name, *o.suffix, error);
    else if (name == "--format") ok = choice(o.container, Containers(), ContainerFromOptionName);
    else if (name == "--vcodec") ok = choice(o.videoCodec, VideoCodecs(), VideoCodecFromOptionName);
    else if (name == "--acodec") ok = choice(o.audioCodec, AudioCodecs(), AudioCodecFromOptionName);
    else if (name == "--video-bitrate") ok = rate(o.videoBitrateKbps, kBitRateRange);
    else if (name == "--frame-rate") ok = rate(o.frameRate, kFrameRateRange);
    else if (name == "--sample-rate") ok = rate(o.sampleRateKhz, kSampleRateRange);
    else if (name == "--audio-bitrate") ok = rate(o.audioBitrateKbps, kBitRateRange);
    else if (name == "--volume") ok = rate(o.volume, kVolumeRange);
    else if (name == "--image" && options.command == Command::Render) {
      std::optional<QString> text;
      ok = needValue(text);
      if (ok) options.imagePath = *text;
    } else if (name == "--out" && options.command == Command::Render) {
      std::optional<QString> text;
      ok = needValue(text);
      if (ok) options.outPath = *text;
    } else if (name == "--time" && options.command == Command::Render) {
      std::optional<QString> text;
      ok = needValue(text);
      bool number = false;
      const double seconds = ok ? text->toDouble(&number) : 0;
      if (ok && (!number || seconds < 0 || seconds > 1e7)) {
        error = "--time: \"" + *text + "\" is not a number of seconds from 0";
        ok = false;
      }
      if (ok) options.timeSeconds = seconds;
    } else if (name == "--show" && options.command == Command::Templates) {
      ok = needValue(options.showTemplate);
    } else {
      error = "unknown option " + name;
      ok = false;
    }
    if (!ok) return std::nullopt;
  }

  if (options.command == Command::Help || options.command == Command::Version) return options;
  if (o.besideSource && o.outputFolder) {
    error = "--beside and --output-dir exclude each other";
    return std::nullopt;
  }
  if (o.keepName && o.suffix) {
    error = "--keep-name and --suffix exclude each other";
    return std::nullopt;
  }
  switch (options.command) {
    case Command::Batch:
      if (options.files.isEmpty()) error = "no video files given";
      break;
    case Command::Render:
      if (!o.templateName || options.imagePath.isEmpty() || options.outPath.isEmpty())
        error = "render needs --template NAME --image IN --out OUT.png";
      else if (!options.files.isEmpty())
        error = "render takes no file arguments";
      break;
    case Command::Templates:
      if (!options.files.isEmpty()) error = "templates takes no arguments";
      break;
    default:
      break;
  }
  if (!error.isEmpty()) return std::nullopt;
  return options;
}

}  // namespace vidmora::cli
