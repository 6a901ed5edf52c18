#pragma once

// libvencor.so: re-encodes one video, handing every decoded frame to the
// drawing library's frame hook (cplusplusout) on the calling thread.
//
// The application loads it per file with dlopen and calls dowm with an
// ffmpeg-style argument vector:
//   ffmpeg.exe -i SOURCE -vcodec V -b:v RATE -r FPS -acodec A -ar HZ -b:a RATE -vol N OUTPUT
// A value of 0 ("0k", "0") means "not set". The output is written under a
// temporary name in its folder and renamed when complete; on failure or abort
// nothing is left behind.

#include "shared/export.h"

extern "C" {

// Results of dowm.
enum VencorResult {
  VENCOR_OK = 0,
  VENCOR_ERROR_ARGUMENTS = 1,   // unknown option, missing value, bad number
  VENCOR_ERROR_INPUT = 2,       // source missing, unreadable or not media
  VENCOR_ERROR_NO_VIDEO = 3,    // the source has no video stream
  VENCOR_ERROR_ENCODER = 4,     // a codec is missing or refused its settings
  VENCOR_ERROR_OUTPUT = 5,      // output folder unwritable, write error, disk full
  VENCOR_ERROR_ABORTED = 6,     // the progress callback asked to stop
  VENCOR_ERROR_SAME_FILE = 7,   // the output path names the source
  VENCOR_ERROR_INTERNAL = 8,    // anything else (out of memory, FFmpeg failure)
};

typedef struct VencorProgress {
  double fraction;         // 0..1 of the source's duration done
  long long frames;        // video frames encoded so far
  double elapsedSeconds;   // since dowm started
} VencorProgress;

// Return non-zero to stop the encode; dowm then removes its partial output and
// returns VENCOR_ERROR_ABORTED.
typedef int (*VencorProgressCallback)(const VencorProgress* progress, void* userData);

// Registers the progress callback for the next dowm calls on the calling
// thread (null to remove it). It is called on that thread at least once a second.
VIDMORA_EXPORT void vencor_set_progress_callback(VencorProgressCallback callback, void* userData);

// Encodes; see above. Returns a VencorResult.
VIDMORA_EXPORT int dowm(int argc, char** argv);

// A one-line reason for the last failure of dowm on the calling thread
// (empty after success). Valid until the next dowm on that thread.
VIDMORA_EXPORT const char* vencor_last_error(void);

}  // extern "C"
