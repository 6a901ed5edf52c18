#pragma once

// libglyphra.so: paints the active watermark template onto pictures and onto
// the encoder's video frames.
//
// Calling order, per thread: InitTemplateFolderPathForDrawlixDll once for the
// process, then PrepareWMForDrawlixDll, then any number of
// DrawGraphicsWithTempConf or cplusplusout, then PrepareWMForDrawlixDll again
// for another template or frame size. Every thread has its own prepared
// template, so a preview on the window's thread never changes the watermark of
// a video being encoded on a worker.

#include "draw/base/graphics.h"
#include "shared/export.h"

#include "shared/template/text_tokens.h"

#include <QImage>
#include <QRectF>

namespace vidmora {
struct EditedLayer;
}
namespace glyphra {
struct TemplateReading;
}

extern "C" {

// Sets the application name (default "Vidmora"), which names the templates
// folder (<data folder of the application>/templates) and the log.
VIDMORA_EXPORT void InitTemplateFolderPathForDrawlixDll(const char16_t* appName);

// Loads the template for painting frames of width x height on the calling
// thread. purpose: 0 preview, 2 encoder frame hook. Returns 0 when loaded (or
// nothing to load), -1 when the template file cannot be read.
VIDMORA_EXPORT int PrepareWMForDrawlixDll(const char16_t* templateName, int width, int height, int purpose);

// PrepareWMForDrawlixDll for video frames whose pixels are not square: the
// layers are placed in the picture as players show it (shownWidth x
// shownHeight, the sample aspect ratio applied) and cplusplusout,
// FrameHookRows and FrameHookOverlay for frames of frameWidth x frameHeight
// (the size the frames are stored at) get them scaled onto those frames, so
// that a square logo stays square as shown. With equal sizes it is
// PrepareWMForDrawlixDll. Same results.
VIDMORA_EXPORT int PrepareWMForVideoFrames(const char16_t* templateName, int shownWidth, int shownHeight, int frameWidth,
                                           int frameHeight, int purpose);

// Reads the template as stored, the way every painting call reads it: the
// layers its file names, in painting order, and every problem found (a layer
// file missing or damaged, a layer name that is no file name and, with
// checkPictures non-zero, a picture that cannot be loaded). `templatesFolder`
// null or empty means the folder InitTemplateFolderPathForDrawlixDll set.
// Returns 0 when the template file was read (problems may still be listed),
// -1 when it cannot be read, 2 for a null `reading`. Any thread.
VIDMORA_EXPORT int ReadWatermarkTemplate(const char16_t* templatesFolder, const char16_t* templateName,
                                         int checkPictures, glyphra::TemplateReading* reading);

// The values of the tokens in layer texts ("{file}", "{recipient}", ...;
// shared/template/text_tokens.h) for the next prepares and in-memory
// paintings on the calling thread, until set again; null clears them. A
// token without a value is painted as typed. Frame tokens ("{timecode}",
// "{frame}", "{seconds}") are filled in for every frame. Returns 0.
VIDMORA_EXPORT int SetTemplateTokens(const vidmora::TokenValues* values);

// Paints the calling thread's prepared template onto the caller's graphics.
// Failures go to the graphics' last status. Returns 0.
VIDMORA_EXPORT int DrawGraphicsWithTempConf(glyphra::Graphics* graphics);

// The encoder's frame hook: paints the prepared template into a 24-bit frame
// in place. bits holds height rows of width pixels, 3 bytes each in blue,
// green, red order, every row padded to a multiple of 4 bytes, first row at
// the top. Padding bytes are never touched. Layers are placed in the frame
// size given to the last prepare on this thread. The layers are painted once
// into an overlay that is blended into every frame; a changed picture file or
// frame size paints it again. Returns 0 when painted (or nothing to paint),
// 2 (InvalidParameter) for a null or impossible frame, 8 (WrongState) when
// the process has no QGuiApplication; the frame is then left unchanged.
VIDMORA_EXPORT int cplusplusout(unsigned char* bits, int width, int height);

// For a caller that converts frames for the hook: the rows [*firstRow,
// *endRow) of a width x height frame that the next cplusplusout on this
// thread will change (empty when it changes none). Brings the overlay up to
// date and keeps it as it is for that next call, so the answer holds even if
// a picture file changes meanwhile; rows outside the range are neither read
// nor written by it. Returns 1 when the rows are known, 0 when any row may
// change (the layers are then painted directly) or the size is impossible.
VIDMORA_EXPORT int FrameHookRows(int width, int height, int* firstRow, int* endRow);

// For a caller that blends the watermark in its own pixel format instead of
// handing 24-bit frames to cplusplusout: the overlay that cplusplusout would
// blend into a width x height frame, rows [firstRow, endRow), as
// premultiplied 32-bit pixels (alpha in the top byte, then red, green, blue;
// native byte order), width pixels a row, written to `pixels`. Blending it
// (result = overlay + frame x (255 - alpha) / 255) gives what cplusplusout
// gives. Returns 1 when written; 0 when the layers must be painted directly
// (use cplusplusout then), or for impossible arguments.
VIDMORA_EXPORT int FrameHookOverlay(int width, int height, int firstRow, int endRow, unsigned int* pixels);

// Frames that live in time: the frame time (milliseconds from the clip's
// start) and the clip's length (milliseconds, 0 when unknown) of the frames
// that cplusplusout, FrameHookRows and FrameHookOverlay handle next on this
// thread, until set again; a prepare keeps it. Layers with timing show only
// inside their window, fade and move; each layer is still painted once per
// clip and only blended by time. A negative frame time (the start) shows
// every layer on every frame, still and opaque. Returns 0.
VIDMORA_EXPORT int SetFrameHookTime(long long frameMs, long long clipMs);

// For texts with frame tokens ({timecode}, {frame}, {seconds}): the number of
// the frame that cplusplusout, FrameHookRows, FrameHookOverlay and
// FrameHookPartAt handle next on this thread (from 0; -1: counted from the
// frame time), the output's frame rate rateNum/rateDen (0: 25 a second) and
// the source's start timecode ("HH:MM:SS:FF" or with ";"; null or not a
// timecode: 00:00:00:00), until set again. Returns 0.
VIDMORA_EXPORT int SetFrameHookClock(long long frameIndex, int rateNum, int rateDen, const char* startTimecode);

// 1 when the thread's prepared template, painted for a width x height frame,
// has layers with timing or motion (its frames then differ by time, so an
// overlay taken from FrameHookOverlay holds for one time only); else 0.
VIDMORA_EXPORT int FrameHookTimed(int width, int height);

// For a caller that blends in its own pixel format and lays each layer on
// itself: the overlay of a width x height frame in parts (a layer with
// timing or motion, or a run of layers without), in painting order.
// FrameHookParts gives their number (-1 when the layers are painted
// directly); FrameHookPartRows the rows [*firstRow, *endRow) that part `index`
// covers as painted; FrameHookPartPixels writes those rows as
// FrameHookOverlay does (still, opaque); FrameHookPartAt tells, for the time
// set with SetFrameHookTime, whether it shows (1) or not (0), its opacity
// (*opacity of 256) and its offset in pixels. Laying the parts on in order,
// each with its opacity and offset, gives what cplusplusout gives.
VIDMORA_EXPORT int FrameHookParts(int width, int height);
VIDMORA_EXPORT int FrameHookPartRows(int width, int height, int index, int* firstRow, int* endRow);
VIDMORA_EXPORT int FrameHookPartPixels(int width, int height, int index, int firstRow, int endRow, unsigned int* pixels);
VIDMORA_EXPORT int FrameHookPartAt(int index, int* opacity, int* offsetX, int* offsetY);

// In-memory painting for previews (the template editor, the output preview,
// vidmora-cli render). The image, of any size, is the frame: the layers are
// placed in it and painted as the frame hook paints a video frame of that
// size (opaque images keep their format; images with alpha are painted
// directly). Neither call reads or changes the calling thread's prepared
// template (they take its token values, SetTemplateTokens), and nothing is
// kept between calls; any thread, while a QGuiApplication exists. Return 0 when painted (or nothing to paint), 2 for
// a null image, 8 without a QGuiApplication (the image is left unchanged),
// 10 or 13 when a layer's picture is missing or cannot be decoded (the rest is
// painted), -1 when the template file cannot be read (nothing painted).
//
// The template as stored: its template and layer files and its pictures are
// read (from the folder InitTemplateFolderPathForDrawlixDll set).
VIDMORA_EXPORT int PaintTemplateOntoImage(const char16_t* templateName, QImage* image);
// Layer values not yet saved, painted in order, each with its text part; no
// file is read but the layers' pictures. A null `layers` with count 0 paints
// nothing.
VIDMORA_EXPORT int PaintLayersOntoImage(const vidmora::EditedLayer* layers, int count, QImage* image);
// The same for a clip's frame at frameMs (milliseconds; negative: no time, as
// the calls above) of a clip of clipMs (0 when unknown): layers with timing
// or motion are shown as they are at that time.
VIDMORA_EXPORT int PaintTemplateOntoImageAt(const char16_t* templateName, QImage* image, long long frameMs,
                                            long long clipMs);
VIDMORA_EXPORT int PaintLayersOntoImageAt(const vidmora::EditedLayer* layers, int count, QImage* image,
                                          long long frameMs, long long clipMs);

// Where a layer's parts lie when painted onto a width x height picture, before
// their rotation: the text's box and the picture's box (empty when that part
// has nothing to paint). For placing layers with the mouse. Returns 0; 2 for
// null arguments or an empty size; 8 without a QGuiApplication.
VIDMORA_EXPORT int MeasureLayerParts(const vidmora::EditedLayer* layer, int width, int height, QRectF* textBox,
                                     QRectF* imageBox);

// printf-style log sink for the encoder: one line in the application's log,
// cut to 511 bytes. Safe from any thread.
VIDMORA_EXPORT void va_logx(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // extern "C"
