#pragma once

// Turns a stored template (read by ReadTemplate, template_reader.h) into the
// layers the painter uses: every layer its template file names, in that order.
// Keys are found only in their written order; a missing key keeps its default
// (text " ", scale text 1, everything else 0 or empty). Text sizes are fitted
// to the frame rectangle here.

#include "draw/render_context.h"
#include "shared/template/edited_layer.h"

#include <QString>

#include <optional>
#include <vector>

namespace glyphra {

// The painter's copy of a layer's values, as they stand.
WatermarkLayer FromLayerValues(const vidmora::EditedLayer& values);

// Whether a layer has a text part (a layer file may lack its "Text").
enum class LayerText { kAbsent, kPresent };

// A layer ready to paint in `frame`: with a text part, its tokens are
// replaced by `tokens` (text_tokens.h; a text with frame tokens keeps its
// pattern and is measured with their widest values), an empty text becomes
// " " and a text scaled with the frame is fitted to it.
WatermarkLayer PrepareLayer(const vidmora::EditedLayer& values, const FrameRect& frame, LayerText text,
                            const vidmora::TokenValues& tokens = {});

// The text to paint for a live pattern at the frame token values `frame`,
// and the text it is laid out as (each frame token at its widest).
QString ExpandPattern(const QString& pattern, const vidmora::TokenValues& frame);
QString LayoutText(const QString& pattern);

// The layers of the template, prepared for `frame`: those of its layer files
// that can be read (a layer file that cannot be read adds no layer); none
// when there is nothing to load (no templates folder, no "Layers", no
// "layer"); nothing when the template file cannot be read or parsed. Keeps no
// state; any thread.
std::optional<std::vector<WatermarkLayer>> ReadTemplateLayers(const QString& templatesFolder,
                                                              const QString& templateName, const FrameRect& frame,
                                                              const vidmora::TokenValues& tokens = {});

// Replaces the context's layers, their tokens replaced by the context's. Returns 0 when loaded or when there is
// nothing to load (no templates folder, no "Layers", no "layer"; layer files
// that cannot be read add no layer), -1 when the template file cannot be read
// or parsed.
int LoadTemplate(RenderContext& context, const QString& templatesFolder);

}  // namespace glyphra
