#pragma once

// The skin beside the program: layouts in Qt Designer's UI format under
// skin/en, pictures under skin/default ("name.png", with "name@2x.png" for
// high-density screens) and the style sheet skin/vidmora.qss.

#include <QIcon>
#include <QString>

class QWidget;

namespace vidmora {

// <program folder>/skin
QString SkinFolder();
// skin/en/<file>
QString SkinLayoutPath(const QString& fileName);
// skin/default/<name>.png
QString SkinPicturePath(const QString& name);
QIcon SkinIcon(const QString& name);
// The style sheet's text; empty when it cannot be read.
QString SkinStyleSheet();

// Builds the widgets of a layout file under `parent`. Returns null and sets
// `error` to a sentence for the user when the file is missing or broken.
QWidget* LoadSkinLayout(const QString& fileName, QWidget* parent, QString& error);

}  // namespace vidmora
