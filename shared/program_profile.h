#pragma once

// Where the program keeps its settings: every front end and the engine open
// QSettings(kProfileOrganization, kProfileApplication), that is
// <XDG config home>/VIDMORA/Vidmora.conf. Plain text constants, so that every
// library can name the profile without another dependency.

namespace vidmora {

inline constexpr const char* kProfileOrganization = "VIDMORA";
inline constexpr const char* kProfileApplication = "Vidmora";

}  // namespace vidmora
