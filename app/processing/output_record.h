#pragma once

// What an output was made from, kept inside the output itself as a container
// tag, so that it goes with the file when the output folder is copied or
// moved. It tells an earlier output of the same source (which a new run may
// replace) from another source's file of the same name (which it never
// replaces), and lets a resumed run skip what is already made.
//
// A source is known by its size and the SHA-256 of its first MiB: a copy of
// it is the same source, another card's "C0001.MP4" is not. Pure functions
// besides IdentifySource (reads the source) and TemplateFingerprint (reads
// the template's files); any thread.

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace vidmora {

// The container tag that holds the record: the one tag that MP4, AVI,
// Matroska and WebM all keep (3GP keeps none that can be read back, so a
// 3GP output is never known as anyone's).
inline constexpr const char* kOutputRecordTag = "comment";

struct SourceIdentity {
  qint64 sizeBytes = -1;
  QString headSha256;  // hex, of the first MiB
  bool operator==(const SourceIdentity&) const = default;
};

// The identity of the file at `path`; nothing with `error` set when it cannot be read.
std::optional<SourceIdentity> IdentifySource(const QString& path, QString& error);

struct OutputRecord {
  SourceIdentity source;
  QString settings;    // SettingsFingerprint of the run that made it
  QString sourcePath;  // the source's file name (or path), for people reading the tag
};

// "vidmora-output v1; size=N; head=HEX; settings=HEX; source=NAME". The name
// comes last and is taken whole, whatever characters it holds.
QString FormatOutputRecord(const OutputRecord& record);
// Nothing when `text` is not such a record (another program's comment).
std::optional<OutputRecord> ParseOutputRecord(const QString& text);

// A short fingerprint of what decides an output's pixels and encoding: the
// template's name and files, and the encoder's arguments other than the paths.
QString SettingsFingerprint(const QString& templateFingerprint, const std::vector<std::string>& encoderArguments,
                            const QString& sourcePath, const QString& outputPath);
// The SHA-256 (hex) of the template's name, its file in `templatesFolder`, the
// layer files it lists and the pictures those name: whatever the painter reads.
QString TemplateFingerprint(const QString& templatesFolder, const QString& templateName);

}  // namespace vidmora
