#include "common/platform/profile_ini.h"

#include "shared/io/atomic_file.h"
#include "shared/text/utf.h"
#include "shared/text/wide_number.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <vector>

namespace quorvil {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

enum class Encoding { kUtf8, kUtf16Le };

// A file's text as UTF-8, with what is needed to write it back unchanged.
struct IniText {
  Encoding encoding = Encoding::kUtf8;
  std::string bom;
  std::string text;
};

std::u16string DecodeUtf16Le(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  return out;
}

std::string EncodeUtf16Le(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

IniText Decode(std::string_view bytes) {
  IniText ini;
  if (bytes.substr(0, kUtf16LeBom.size()) == kUtf16LeBom) {
    ini.encoding = Encoding::kUtf16Le;
    ini.bom = kUtf16LeBom;
    ini.text = vidmora::ToUtf8(DecodeUtf16Le(bytes.substr(kUtf16LeBom.size())));
  } else {
    if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) ini.bom = kUtf8Bom;
    ini.text = std::string(bytes.substr(ini.bom.size()));
  }
  return ini;
}

enum class LoadStatus { kLoaded, kMissing, kUnreadable };

LoadStatus Load(const fs::path& file, IniText& ini) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::error_code error;
    return fs::exists(file, error) || error ? LoadStatus::kUnreadable : LoadStatus::kMissing;
  }
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return LoadStatus::kUnreadable;
  ini = Decode(bytes);
  return LoadStatus::kLoaded;
}

std::string Encode(const IniText& ini) {
  if (ini.encoding == Encoding::kUtf16Le) return ini.bom + EncodeUtf16Le(vidmora::FromUtf8(ini.text));
  return ini.bom + ini.text;
}

// Simple case folding for the scripts that INI names are written in.
char16_t Fold(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) ||
      (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) || (c >= 0x0410 && c <= 0x042F))
    return static_cast<char16_t>(c + 0x20);
  if (c >= 0x0400 && c <= 0x040F) return static_cast<char16_t>(c + 0x50);
  return c;
}

std::u16string Folded(std::u16string name) {
  for (char16_t& c : name) c = Fold(c);
  return name;
}

bool SameName(std::string_view inFile, std::u16string_view wanted) {
  const std::u16string name = vidmora::FromUtf8(inFile);
  if (name.size() != wanted.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (Fold(name[i]) != Fold(wanted[i])) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

struct Line {
  size_t begin = 0;  // content is [begin, end)
  size_t end = 0;
  size_t next = 0;   // the line break is [end, next)
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t newline = text.find('\n', begin);
    Line line;
    line.begin = begin;
    line.next = newline == std::string::npos ? text.size() : newline + 1;
    line.end = newline == std::string::npos ? text.size() : newline;
    // A CR counts as part of the line break before a LF, and as the line
    // break of a last line that ends with it.
    if (line.end > begin && text[line.end - 1] == '\r' && (newline != std::string::npos || line.end == text.size()))
      --line.end;
    lines.push_back(line);
    begin = line.next;
  }
  return lines;
}

std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return Trim(line.substr(0, line.find(']')));
}

// Where a section and a key were found in a file.
struct Location {
  std::optional<size_t> sectionLine;
  size_t lastContentLine = 0;  // last non-blank line of the section
  std::optional<size_t> keyLine;
  std::string_view key;        // as written in the file
  std::string_view value;      // trimmed, quotes not yet removed
};

Location Find(const std::string& text, const std::vector<Line>& lines, std::u16string_view section,
              std::u16string_view key) {
  Location found;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line(text.data() + lines[i].begin, lines[i].end - lines[i].begin);
    if (auto name = SectionName(line)) {
      if (found.sectionLine) break;
      if (SameName(*name, section)) found.sectionLine = found.lastContentLine = i;
      continue;
    }
    if (!found.sectionLine) continue;
    if (!Trim(line).empty()) found.lastContentLine = i;
    const size_t equals = line.find('=');
    if (found.keyLine || equals == std::string_view::npos) continue;
    const std::string_view name = Trim(line.substr(0, equals));
    if (SameName(name, key)) {
      found.keyLine = i;
      found.key = name;
      found.value = Trim(line.substr(equals + 1));
    }
  }
  return found;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
    return value.substr(1, value.size() - 2);
  return value;
}

std::optional<std::u16string> Read(std::u16string_view section, std::u16string_view key, const fs::path& file) {
  const ProfileTable table = ProfileTable::FromFile(file);
  const std::u16string* value = table.Find(section, key);
  return value ? std::optional(*value) : std::nullopt;
}

bool HasLineBreak(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

// The file's own line break, so that added lines match the others.
std::string LineBreakOf(const std::string& text) {
  const size_t newline = text.find('\n');
  if (newline == std::string::npos) return "\n";
  return newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
}

std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

ProfileTable ProfileTable::FromFile(const fs::path& file) {
  IniText ini;
  if (Load(file, ini) != LoadStatus::kLoaded) return {};
  return FromText(ini.text);
}

ProfileTable ProfileTable::FromBytes(std::string_view bytes) { return FromText(Decode(bytes).text); }

ProfileTable ProfileTable::FromText(const std::string& text) {
  ProfileTable table;
  // Where the keys go: none before the first section and in a repeated one.
  std::unordered_map<std::u16string, std::u16string>* keys = nullptr;
  for (const Line& line : SplitLines(text)) {
    const std::string_view content(text.data() + line.begin, line.end - line.begin);
    if (const auto name = SectionName(content)) {
      const auto [entry, added] = table.sections_.try_emplace(Folded(vidmora::FromUtf8(*name)));
      keys = added ? &entry->second : nullptr;
      continue;
    }
    const size_t equals = content.find('=');
    if (keys == nullptr || equals == std::string_view::npos) continue;
    keys->try_emplace(Folded(vidmora::FromUtf8(Trim(content.substr(0, equals)))),
                      vidmora::FromUtf8(Unquote(Trim(content.substr(equals + 1)))));
  }
  return table;
}

const std::u16string* ProfileTable::Find(std::u16string_view section, std::u16string_view key) const {
  const auto keys = sections_.find(Folded(std::u16string(section)));
  if (keys == sections_.end()) return nullptr;
  const auto value = keys->second.find(Folded(std::u16string(key)));
  return value == keys->second.end() ? nullptr : &value->second;
}

std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, const fs::path& file) {
  return Read(section, key, file).value_or(std::u16string(defaultValue));
}

std::u16string GetProfileStringFromBytes(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue, std::string_view bytes) {
  const ProfileTable table = ProfileTable::FromBytes(bytes);
  const std::u16string* value = table.Find(section, key);
  return value ? *value : std::u16string(defaultValue);
}

int GetPrivateProfileInt(std::u16string_view section, std::u16string_view key, int defaultValue,
                         const fs::path& file) {
  const std::optional<std::u16string> value = Read(section, key, file);
  if (!value || value->empty()) return defaultValue;
  return vidmora::WideToInt(*value);
}

bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                               const fs::path& file) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      section.find(u']') != std::u16string_view::npos || key.find(u'=') != std::u16string_view::npos)
    return false;
  const std::string keyText(Trim(vidmora::ToUtf8(key)));
  if (keyText.empty() || keyText.front() == '[') return false;
  const std::string sectionText(Trim(vidmora::ToUtf8(section)));
  const std::string valueText = vidmora::ToUtf8(value);

  std::lock_guard lock(WriteMutex());
  IniText ini;
  if (Load(file, ini) == LoadStatus::kUnreadable) return false;
  // A last line ended by a lone CR gets a whole line break, so that what is
  // added after it starts a line of its own.
  if (!ini.text.empty() && ini.text.back() == '\r') ini.text += '\n';
  const std::vector<Line> lines = SplitLines(ini.text);
  const Location found = Find(ini.text, lines, section, key);
  const std::string lineBreak = LineBreakOf(ini.text);

  std::string& text = ini.text;
  if (found.keyLine) {
    const Line& line = lines[*found.keyLine];
    text.replace(line.begin, line.end - line.begin, std::string(found.key) + "=" + valueText);
  } else if (found.sectionLine) {
    const Line& after = lines[found.lastContentLine];
    std::string insert = keyText + "=" + valueText + lineBreak;
    if (after.next == after.end) insert.insert(0, lineBreak);  // the last line had no line break
    text.insert(after.next, insert);
  } else {
    if (!text.empty() && text.back() != '\n') text += lineBreak;
    text += "[" + sectionText + "]" + lineBreak + keyText + "=" + valueText + lineBreak;
  }
  return !vidmora::ReplaceFileAtomically(file, Encode(ini));
}

}  // namespace quorvil
