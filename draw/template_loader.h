#pragma once

// Reads a template into the calling thread's context: the template file
// "<folder>/<name>.xml" names its layers, and the first layer file
// "<folder>/<layer>.xml" becomes the one WatermarkLayer (further layers are
// not painted). Keys are found only in their written order; a missing key
// keeps its default (text " ", scale text 1, everything else 0 or empty).
// Text sizes are fitted to the context's frame rectangle here.

#include "draw/render_context.h"

#include <QString>

namespace glyphra {

// Replaces the context's layers. Returns 0 when loaded or when there is
// nothing to load (no templates folder, no "Layers", no "layer", an
// unreadable layer file), -1 when the template file cannot be read or parsed.
int LoadTemplate(RenderContext& context, const QString& templatesFolder);

}  // namespace glyphra
