#pragma once

// Where outputs go and how they are named: the file "preference.xml" in the
// data folder, root element "Preferences".

#include <QString>

namespace vidmora {

inline constexpr const char* kPreferencesFileName = "preference.xml";
// The most files a run in the window encodes at once.
inline constexpr int kMaxFilesAtOnce = 16;

struct OutputPreferences {
  int outputFolderOpts = 0;     // 0 beside the source, 1 into outputFolderPath
  QString outputFolderPath;
  int outputFileNameOpts = 0;   // 0 the source's base name, 1 followed by the suffix
  QString outputFileNameSuffix;
  int outputFormat = 0;         // 0 "MP4", 1 "AVI" (kept in the file, not used for video)
  int jpegQuality = 100;
  int openQuickStartDlg = 0;
  int filesAtOnce = 1;  // files a run encodes at once (an element newer than the others)
  // 1: where every layer shows only for a while, only the pictures it shows
  // on are re-encoded and the rest copied; 0: every picture is (newer still).
  int onlyReencodeMarked = 1;

  friend bool operator==(const OutputPreferences&, const OutputPreferences&) = default;
};

// Whether `suffix` can end an output's base name: it holds no "/" (which
// would lead into another folder) and no control character. The one rule of
// the preferences dialog, the command line and the job.
bool IsFileNamePart(const QString& suffix);

// Why the stored preferences cannot name outputs, naming the setting: the
// suffix in use is no file name part, or the output folder in use is not an
// absolute path. Empty when they can.
QString OutputNamingProblem(const OutputPreferences& preferences);

// Reads the file. A missing or unparsable file, or a missing element, leaves
// the values of `fallback` (by default: beside the source, the source's name);
// so does a FilesAtOnce outside 1..kMaxFilesAtOnce.
OutputPreferences ReadOutputPreferences(const QString& path, const OutputPreferences& fallback = {});

// True when the file can be read as preferences: well-formed XML whose root
// is "Preferences". A missing file is not sound.
bool PreferencesFileIsSound(const QString& path);

// The values of a first start: beside the source, suffix "_new", quick start
// shown; the custom output folder is the documents folder.
OutputPreferences FirstStartPreferences(const QString& documentsFolder);

// Writes a new file with every value in the file's order (FilesAtOnce and
// OnlyReencodeMarked only when not 1, so that a first start writes the older layout); false when it
// cannot be written. The file is replaced atomically.
bool WriteOutputPreferences(const QString& path, const OutputPreferences& preferences);

// What the preferences dialog saves: the values of the elements
// OutputFolderOpts, OutputFolderPath, OutputFileNameOpts, OutputFileNameSuffix
// and OutputFormat that the file holds; an element the file lacks is not added,
// and every other byte stays. FilesAtOnce and OnlyReencodeMarked, which older
// files lack, are added after the last element when missing and not 1. False, writing nothing, when the file is not
// sound or cannot be written.
bool UpdateOutputPreferences(const QString& path, const OutputPreferences& preferences);

}  // namespace vidmora
