#include "app/processing/settings/session_choices.h"

#include <atomic>

namespace vidmora {

namespace {
std::atomic<bool> audioDisabled{false};
std::atomic<bool> resizeJustThisTime{false};
}  // namespace

void SetAudioDisabled(bool disabled) { audioDisabled.store(disabled); }
bool AudioDisabled() { return audioDisabled.load(); }

void SetResizeJustThisTime(bool resize) { resizeJustThisTime.store(resize); }
bool ResizeJustThisTime() { return resizeJustThisTime.load(); }

}  // namespace vidmora
