#pragma once

// Reader and writer of INI files ("private profile" files): config.ini,
// resizing_config.ini, the language files and the like.
//
//   [Section]
//   Key=Value
//
// Section and key names are compared without case (ASCII, Latin-1, Greek and
// Cyrillic letters). Blanks around names and values are ignored, and a value
// enclosed in a pair of double or single quotes is read without them. Lines
// before the first section, and lines that are neither a section nor hold
// "=", belong to no key. Of repeated sections or keys the first counts.
//
// Files are UTF-8 (a byte-order mark is kept as it is) or UTF-16LE with a
// byte-order mark, as files written on Windows may be.
//
// Any thread may call these. Writes in one process are serialised, so two
// threads writing different keys of one file lose neither; between processes
// the last writer wins.

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quorvil {

// The value of section/key, or `defaultValue` when the file, the section or
// the key is missing.
std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue, const std::filesystem::path& file);

// The same on a file's bytes already in memory (a download, say).
std::u16string GetProfileStringFromBytes(std::u16string_view section, std::u16string_view key,
                                         std::u16string_view defaultValue, std::string_view bytes);

// Every section and key of one file, parsed once, for a file that is looked
// up again and again (the language files). The rules are those above: the
// lookups of GetPrivateProfileString go through this table too. A table is a
// plain value: it does not follow later changes of its file.
class ProfileTable {
 public:
  // The entries of `file`; an empty table when it is missing or unreadable.
  static ProfileTable FromFile(const std::filesystem::path& file);
  static ProfileTable FromBytes(std::string_view bytes);

  // The value of section/key, or nullptr when the section or the key is
  // missing. The pointer lives as long as the table.
  const std::u16string* Find(std::u16string_view section, std::u16string_view key) const;

 private:
  // Keyed by the case-folded names.
  static ProfileTable FromText(const std::string& utf8);

  std::unordered_map<std::u16string, std::unordered_map<std::u16string, std::u16string>> sections_;
};

// The value of section/key read as an integer: blanks, an optional sign and
// the leading digits (so "12px" is 12 and "px" is 0), limited to the int
// range. `defaultValue` when the file, section or key is missing or the value
// is empty.
int GetPrivateProfileInt(std::u16string_view section, std::u16string_view key, int defaultValue,
                         const std::filesystem::path& file);

// Sets section/key to `value`, creating the file, the section or the key when
// missing. Only the key's line changes (or one or two lines are added); every
// other byte of the file stays as it was. The file is replaced atomically;
// a symbolic link in its place is refused, never followed.
// Returns false, leaving the file as it was, when the file cannot be read or
// written, or when a name or the value would change the file's structure: a
// line break anywhere, "]" in the section, "=" in the key, an empty key or a
// key beginning with "[".
bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                               const std::filesystem::path& file);

}  // namespace quorvil
