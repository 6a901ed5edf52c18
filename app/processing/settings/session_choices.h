#pragma once

// Choices that live only while the program runs, never stored: the
// preferences' "Disable Audio" and the resizing dialog's "Resize pictures just
// for this time". Both start cleared at every program start.
//
// Any thread: the settings dialogs set them on the user-interface thread, the
// batch's worker reads the audio choice at the start of every file.

namespace vidmora {

void SetAudioDisabled(bool disabled);
bool AudioDisabled();

void SetResizeJustThisTime(bool resize);
bool ResizeJustThisTime();

}  // namespace vidmora
