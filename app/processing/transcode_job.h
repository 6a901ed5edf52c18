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
// any other source of the same run. An output written earlier in the run is
// never replaced: the job then writes "<name> (2).<ext>" (or the first free
// number) and says so in its result. Any other existing output is replaced
// only when a suffix is set, and only by a complete new file (the encoder
// renames its finished file over it).

#include "app/processing/encode_progress.h"
#include "app/processing/job_settings.h"

#include <QString>
#include <QStringList>

namespace vidmora {

class MessageSink;
class MediaProbe;

enum class JobOutcome {
  Done,     // the output was written (the reason may note a changed name)
  Skipped,  // nothing was written, as the naming rules ask (see the reason)
  Failed,   // nothing was written because something went wrong (see the reason)
};

struct JobResult {
  JobOutcome outcome = JobOutcome::Failed;
  QString outputPath;  // empty when no path could be decided
  QString reason;      // for Skipped and Failed: one line for the user; for Done a note or empty
  QStringList notes;   // for Done: what the output could not keep of the source, one line each
};

// What a job tells its caller while it runs; called on the job's thread.
class JobListener {
 public:
  virtual ~JobListener() = default;
  // The output path is known (before any skip): it becomes the last output path.
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
};

// What the batch's run has: its sources, and the outputs written so far.
struct RunFiles {
  QStringList sources;         // every source of the run (may include this job's)
  QStringList earlierOutputs;  // never replaced by this job
};

JobResult TranscodeFile(const TranscodeRequest& request, JobListener& listener, MessageSink* messages,
                        const RunFiles& run = {});

// The rates that replace "auto" settings, as the probe read them.
struct ProbedRates;
ProbedRates RatesOf(const MediaProbe& probe);

// Builds the argument vector from the settings and the probe and runs the
// encoder of `library`. Returns Done or Failed with the encoder's reason.
class EncoderLibrary;
JobResult RunEncoder(const EncoderLibrary& library, const QString& sourcePath, const QString& outputPath,
                     const EncodingSettings& settings, const MediaProbe& probe, JobListener& listener);

}  // namespace vidmora
