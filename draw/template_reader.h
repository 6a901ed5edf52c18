#pragma once

// Reads a stored template: "<folder>/<name>.xml" lists its layers and
// "<folder>/<layer>.xml" holds each one (see template_reading.h). With no
// templates folder there is nothing to read: a readable, empty template.

#include "draw/template_reading.h"

namespace glyphra {

TemplateReading ReadTemplate(const QString& templatesFolder, const QString& templateName, PictureCheck pictures);

}  // namespace glyphra
