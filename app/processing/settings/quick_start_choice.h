#pragma once

// The quick-start window's "don't show again" choice: "OpenQuickStartDlg" of
// "preference.xml" in the data folder (1 = do not show at start-up).

#include <optional>

namespace vidmora {

// The stored choice; nothing when "preference.xml" is missing or unreadable.
std::optional<bool> ReadQuickStartHidden();

// Stores the choice in "preference.xml", keeping every other value as it
// stands. False when the file is missing, unreadable or cannot be written.
bool StoreQuickStartHidden(bool hidden);

}  // namespace vidmora
