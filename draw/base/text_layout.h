#pragma once

// How a text is measured and laid out as an outline: the text's box starts at
// a top-left corner, the first line's baseline lies one ascent below it, and
// every line break starts a new line one line spacing lower. Needs a
// QGuiApplication; any thread.

#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QString>

namespace glyphra {

// Width and height of the text's bounding box when it is laid out in a box of
// the given size at (0, 0), words wrapped at its width; never larger than it.
QSizeF MeasureTextBox(const QFont& font, const QString& text, QSizeF layoutBox);

// Adds the glyph outlines of the text, unwrapped, with the box's top-left
// corner at topLeft.
void AddTextToPath(QPainterPath& path, const QFont& font, const QString& text, QPointF topLeft);

}  // namespace glyphra
