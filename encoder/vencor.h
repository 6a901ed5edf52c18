#pragma once

// libvencor.so: re-encodes one video, handing every decoded frame to the
// drawing library's frame hook (cplusplusout) on the calling thread.
//
// The application loads it per file with dlopen and calls dowm with an
// ffmpeg-style argument vector:
//   ffmpeg.exe -i SOURCE -vcodec V -b:v RATE -r FPS -acodec A -ar HZ -b:a RATE -vol N [-aspect W:H] [-an] OUTPUT
// argv[0] is ignored; k and M suffixes ("1500k", "44.1k"); a value of 0
// ("0k", "0") means "not set" (video: the codec's constant quality mode;
// audio: a rate fitted to the codec and channel count; the source's frame
// rate or sampling rate, each frame at its own time); "-vol" is in 256ths
// (256 unchanged, 0 silence); "-aspect" sets the output's display aspect
// ("16:9" or 1.7777) through its pixel aspect.
// Video codecs "libx264", "libxvid", "msmpeg4", "flv" (plain H.263 in .3gp,
// scaled and padded to an H.263 size), "libvpx"; audio "libvo_aacenc" (AAC),
// "libmp3lame", "libvorbis", "copy". The container follows the output's
// extension: .mp4, .m4v (MP4), .avi, .mkv, .3gp, .webm (WebM; .vp8 too).
//
// Every audio track is kept (copied or encoded), and the subtitles the
// output container can hold (copied, or converted to its own text
// subtitles); what cannot be kept is logged and given as a note
// (vencor_last_notes).
//
// With "-smart WINDOWS" (the template's layers' time windows, see
// options.h), only the groups of pictures the windows touch are decoded,
// painted and encoded again, in the source's codec, profile, level, size and
// format; every other packet of the video is copied as it is, with every
// timestamp kept. The output is then checked against the source: its copied
// packets byte for byte, and the pictures around each re-encoded group
// decoded and compared (splice_check.h); where that does not apply or the
// proof fails, the whole video is re-encoded and a note says why.
//
// Every video frame, upright as players show it and at the output frame rate,
// is painted with the drawing library's template prepared on the thread of
// dowm (which must have called PrepareWMForVideoFrames with the sizes of
// vencor_frame_geometry, or PrepareWMForDrawlixDll for the frame size): the library's overlay (FrameHookOverlay) is
// converted once into the frame's planar YUV format and blended into every frame, or, where it offers none, each frame
// is handed to its cplusplusout. The output is written under a hidden temporary name in its folder, synced and renamed
// when complete; on failure or abort nothing is left behind. The source is only read. Every failure is logged through
// va_logx with its reason. FFmpeg's own warnings go there too: the first call sets FFmpeg's process-wide log callback
// once and keeps the library mapped from then on (dlclose does not unmap it), so that the callback stays valid. No
// thread is left running when a call returns.

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
  VENCOR_ERROR_INPUT_NO_TAG = 9,  // vencor_read_tag: the file has no such tag
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
// thread (null to remove it). It is called on that thread when the encode
// starts, after a packet once a quarter second has passed since the last
// call, before the finished file is kept and, with fraction 1, once it is.
VIDMORA_EXPORT void vencor_set_progress_callback(VencorProgressCallback callback, void* userData);

// Encodes; see above. Returns a VencorResult. Any thread; one call at a time
// per thread (the drawing library's prepared template is per thread).
VIDMORA_EXPORT int dowm(int argc, char** argv);

// A one-line reason for the last failure of a call on the calling thread
// (dowm, vencor_grab_frame, ...; empty after a success). Valid until the next
// such call on that thread.
VIDMORA_EXPORT const char* vencor_last_error(void);

// What the last call of dowm on the calling thread could not keep of the
// source, one short note a line ("the avi container holds no subtitles: the
// subrip subtitles are left out"); each said once; empty when the output
// keeps everything. Also filled when dowm fails. Valid until the next call
// on that thread.
VIDMORA_EXPORT const char* vencor_last_notes(void);

// How the last successful dowm on the calling thread made its output when
// it re-encoded only where the mark is ("-smart"): "copied 98 %, re-encoded
// 2 %"; empty after a whole encode (a note then says why, when "-smart" was
// asked) or a failure. Valid until the next call on that thread.
VIDMORA_EXPORT const char* vencor_last_summary(void);

// Receives a picture: height rows of width x 3 bytes (blue, green, red),
// strideBytes apart, first row at the top. The bytes are the library's and
// valid only during the call.
typedef void (*VencorPictureSink)(const unsigned char* bgr, int width, int height, int strideBytes, void* userData);

// The frame of the source shown at `seconds` from its start (the last frame
// beyond the end), upright and at the size players show it (the source's
// rotation and sample aspect ratio applied: vencor_frame_geometry's shown
// size); handed to `sink` on the calling thread. Returns a VencorResult (VENCOR_ERROR_INPUT,
// VENCOR_ERROR_NO_VIDEO, ...); vencor_last_error gives the reason. Any
// thread; independent of dowm.
VIDMORA_EXPORT int vencor_grab_frame(const char* sourcePath, double seconds, VencorPictureSink sink, void* userData);

// The size the encoder hands the source's frames to the frame hook at: the
// decoder's frame size, width and height swapped for a rotation of 90 or 270
// degrees. Returns a VencorResult (VENCOR_ERROR_NO_VIDEO also for a still
// picture such as a PNG or JPEG file); the sizes are set on VENCOR_OK only.
VIDMORA_EXPORT int vencor_displayed_size(const char* sourcePath, int* width, int* height);

// The size the encoder hands frames to the frame hook at (as
// vencor_displayed_size) and the size players show them at: the sample
// aspect ratio applied to the width, then turned upright (equal for square
// pixels; aspect ratios beyond 1:4 and 4:1 count as square). Prepare the
// drawing library with PrepareWMForVideoFrames(shown, frame) so that the
// watermark keeps its shape as shown. Returns a VencorResult; sizes set on
// VENCOR_OK only.
VIDMORA_EXPORT int vencor_frame_geometry(const char* sourcePath, int* frameWidth, int* frameHeight, int* shownWidth,
                                         int* shownHeight);
// The value of the container tag `key` of the media file `path` (its global
// metadata, key compared without case), copied with its terminating zero into
// `value` (`valueSize` bytes). Returns VENCOR_OK, VENCOR_ERROR_INPUT_NO_TAG
// when the file has no such tag, VENCOR_ERROR_INPUT when it cannot be read as
// media. Reads only the container's header. Any thread.
VIDMORA_EXPORT int vencor_read_tag(const char* path, const char* key, char* value, int valueSize);

}  // extern "C"
