#pragma once

// One transcode job: one source video in, one watermarked output file out.
//
// TranscodeFile decides the output path, applies the skip rules, loads the
// encoder library, prepares the drawing library for the source's frame size on
// the calling thread, and runs the encoder (RunEncoder). It runs on the batch's
// worker thread (or any one thread), one file at a time, and blocks until the
// file is encoded.
//
// A source is never deleted, replaced or written to: neither this job's nor
// any other source of the same run, nor one still being written by another
// program (it fails, worth a retry later). An output written earlier in the
// run is never replaced: the job then writes "<name> (2).<ext>" (or the first
// free number) and says so in its result. Every output records what it was
// made from (output_record.h); by default an existing output is replaced
// only when it is the earlier output of the same source, and only by a
// complete new file (the encoder renames its finished file over it); another
// file of that name is kept, and the new output takes the first free number
// (with the name kept as it is, the file is skipped instead).

#include "app/processing/encode_progress.h"
#include "app/processing/job_settings.h"
#include "app/processing/run_outputs.h"
#include "shared/template/text_tokens.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace vidmora {

class MessageSink;

enum class JobOutcome {
  Done,     // the output was written (the reason may note a changed name)
  Skipped,  // nothing was written, as the naming rules ask (see the reason)
  Failed,   // nothing was written because something went wrong (see the reason)
};

struct JobResult {
  JobOutcome outcome = JobOutcome::Failed;
  QString outputPath;  // empty when no path could be decided
  QString reason;      // for Skipped and Failed: one line for the user; for Done a note (another
                       // name, the summary below) or empty
  QStringList notes;   // for Done: what the output could not keep of the source, one line each
  QString summary = {};  // for Done: how it was made when only the marked pictures were re-encoded
                         // ("copied 98 %, re-encoded 2 %"); empty otherwise
  // Failed: the cause may pass (interrupted, disk full, output folder gone,
  // encoder library missing, source still being written), so that running
  // the file again may succeed; false when it will fail the same way.
  bool retryMayHelp = false;
};

// What a job does with an existing file at its output path (never a source).
enum class ExistingOutputs {
  SameSourceOnly,  // replace the earlier output of the same source; keep any other file (see above)
  KeepBoth,        // keep it; the new output takes the first free "<name> (n).<ext>"
  Replace,         // replace it
  Skip,            // keep it and skip the file
  Ask,             // as SameSourceOnly, but for any other file the run's question decides
};

// What a run does with an existing file at an output path that is neither an
// earlier output of the same source nor one of the run's (ExistingOutputs::Ask).
// Called on the job's thread, which waits for the answer: KeepBoth, Replace
// or Skip; nothing when the run is being abandoned (the job then fails and
// writes nothing).
class ExistingOutputQuestion {
 public:
  virtual ~ExistingOutputQuestion() = default;
  virtual std::optional<ExistingOutputs> Ask(const QString& path) = 0;
};

// What a job tells its caller while it runs; called on the job's thread.
class JobListener {
 public:
  virtual ~JobListener() = default;
  // The output path is planned (before the skip rules are applied); called
  // again when the job takes another path (a numbered or earlier output).
  virtual void OutputPathChosen(const QString& path) = 0;
  // The encoder library is loaded and the encode begins.
  virtual void EncodeStarted() = 0;
  // Returns false to stop the encode; the job then fails and leaves no output.
  virtual bool EncodeProgressed(const EncodeProgress& progress) = 0;
};

struct TranscodeRequest {
  QString sourcePath;
  JobSettings settings;
  QString programFolder;  // where libvencor.so lives
  ExistingOutputs existing = ExistingOutputs::SameSourceOnly;
  ExistingOutputQuestion* question = nullptr;  // for Ask; null: keep both
  // Skip the file when an output made from this source with this template
  // and these settings exists (a resumed run does only what is left).
  bool skipExisting = false;
  int encoderThreads = 0;  // threads per codec; 0: the codecs' own choice
  // The file's place in its run, from 1, and the run's size, for the {index}
  // and {count} tokens; 0: its place among the run's sources.
  int index = 0;
  int count = 0;
  // Token values beyond the file's own (a recipient's, recipients.h).
  TokenValues tokens = {};
  // One output of a recipient list: the recipient (its output is named for
  // it, see OutputNaming), and a pattern of tokens for output names.
  QString recipient = {};
  QString namePattern = {};
};

// What the batch's run has: its sources, and its outputs (null: none so far).
struct RunFiles {
  QStringList sources;           // every source of the run (may include this job's)
  RunOutputs* outputs = nullptr; // claimed by this job for its output; never replaced by it
};

JobResult TranscodeFile(const TranscodeRequest& request, JobListener& listener, MessageSink* messages,
                        const RunFiles& run = {});

// Builds the argument vector from the settings and runs the encoder of
// `library`. Returns Done or Failed with the encoder's reason.
class EncoderLibrary;
// `extraArguments` go before the output path (e.g. "-metadata", "KEY=VALUE").
JobResult RunEncoder(const EncoderLibrary& library, const QString& sourcePath, const QString& outputPath,
                     const EncodingSettings& settings, JobListener& listener,
                     const std::vector<std::string>& extraArguments = {});

}  // namespace vidmora
