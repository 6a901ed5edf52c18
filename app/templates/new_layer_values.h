#pragma once

// The values of the layers the editor's "Add Text Layer" and "Add Logo Layer"
// make: a text layer "© <the user's name>" in an installed sans face, upright,
// at the bottom right with a margin of 3 % of the reference canvas; a logo
// layer with no text, its picture at the top right with the same margin.
// UI thread (fonts need a QGuiApplication).

#include "shared/template/edited_layer.h"

#include <QString>

namespace vidmora {

// The user's full name from the system's user database, else the login name.
QString UserDisplayName();

EditedLayer NewTextLayerValues();
EditedLayer NewLogoLayerValues();

}  // namespace vidmora
