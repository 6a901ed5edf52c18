#pragma once

// Routes FFmpeg's own warnings and errors into the application's log (va_logx)
// while it exists. FFmpeg keeps one process-wide log callback; the library is
// unloaded after every file, so the callback must not outlive the encode.

namespace vencor {

class ScopedAvLogBridge {
 public:
  // Installs the bridge. Call on the thread of dowm.
  ScopedAvLogBridge();
  // Puts FFmpeg's default callback back. Destroy only after every FFmpeg
  // context (and so every FFmpeg thread) of the encode is gone.
  ~ScopedAvLogBridge();
  ScopedAvLogBridge(const ScopedAvLogBridge&) = delete;
  ScopedAvLogBridge& operator=(const ScopedAvLogBridge&) = delete;
};

}  // namespace vencor
