#pragma once

#include <QString>

#include <utility>

namespace vidmora {

// The outcome of a change to the templates folder: on failure a message for
// the user, and the files as they were before the change.
struct StoreResult {
  bool ok = true;
  QString message;
  static StoreResult Failed(QString text) { return {false, std::move(text)}; }
};

}  // namespace vidmora
