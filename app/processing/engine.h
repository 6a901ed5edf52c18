#pragma once

// The front-end entry to the engine: what every front end (the window,
// vidmora-cli) does once at start-up, and where the engine's files are. With
// it, a front end needs neither the utility library nor the drawing library's
// set-up exports.
//
// Then a front end builds JobSettings (job_settings.h), runs a Batch
// (batch.h) with EncoderLibraryFolder(), and in a window receives the batch's
// events through BatchSignals (batch_signals.h). The folders themselves are
// in settings/app_folders.h (data, templates, documents); the containers
// and codecs a settings page lists in encoding_choices.h; pictures of a video
// for the output preview come from GrabFrame (preview_frame.h), painted with the
// drawing library's PaintTemplateOntoImage (draw/glyphra.h).
//
// Threads: StartEngine on the main thread, once, before any other engine
// call; the folder functions on any thread.

#include <QString>
#include <QStringList>

namespace vidmora {

struct EngineStart {
  // False when "preference.xml" was missing and could not be written: the
  // batch then fails every file with a message about the preferences.
  bool preferencesReady = true;
  // One line for the user per repair made (a damaged "preference.xml" kept as
  // ".bak" and replaced) or per part that could not be created.
  QStringList warnings;
};

// First start and set-up: creates what is missing of the data folder,
// "preference.xml" (first-start values) and the demo template "Demo 1", and
// tells the drawing library where the templates are. Painting also needs a
// QGuiApplication, which the front end makes (vidmora-cli with the
// "offscreen" platform).
EngineStart StartEngine();

// The folder of the running executable: libraries, skin/ and lang/ beside it.
QString ProgramFolder();
// Where the encoder library (libvencor.so) is loaded from for every file.
QString EncoderLibraryFolder();

}  // namespace vidmora
