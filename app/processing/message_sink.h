#pragma once

#include <QString>

namespace vidmora {

enum class MessageIcon { Information, Warning, Error, Question };

// Where the engine's messages for the user go: a message box in the window, a
// line on standard error in vidmora-cli. The engine knows no widgets.
// ShowMessage may be called from the engine's worker thread; an implementation
// that shows widgets hands the message to its user-interface thread.
class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual void ShowMessage(const QString& text, const QString& caption, MessageIcon icon) = 0;
};

}  // namespace vidmora
