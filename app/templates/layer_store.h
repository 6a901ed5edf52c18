#pragma once

// The layers of one template: its template file "<template>.xml" lists them
// by name, and each has its layer file "<layer>.xml" in the templates folder.
// Every call reads and writes the files afresh. UI thread (or any single
// thread at a time).

#include "app/templates/store_result.h"

#include <QString>
#include <QStringList>

#include "shared/template/edited_layer.h"

#include <optional>

namespace vidmora {

// The layer names of the template file in order; nullopt when the file
// cannot be read or parsed; empty when it lists none.
std::optional<QStringList> ReadLayerNames(const QString& templatesFolder, const QString& templateName);

// "<folder>/<layer>.xml".
QString LayerFilePath(const QString& templatesFolder, const QString& layerName);

// Writes a new layer file with the new-layer values (text "Vidmora For
// Win") and lists it last in the template file. Names are checked with
// NameRefusal against every name of the folder first.
StoreResult AddLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName);

// AddLayer with the given values instead of the new-layer values.
StoreResult AddLayerWithValues(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                               const EditedLayer& values);

// Moves the layer `steps` places in the template's list (negative: earlier,
// painted below), clamped to the list.
StoreResult MoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                      int steps);

// "<base> copy", then "<base> copy 2", ...: the first that NameRefusal takes.
QString FreeLayerName(const QString& templatesFolder, const QString& base);

// Renames the layer in the template file and its file; when the file cannot
// be renamed the template file is put back as it was.
StoreResult RenameLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                        const QString& newName);

// Takes the layer out of the template file and deletes its file.
StoreResult RemoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName);

// Replaces an unreadable layer file with a new layer of default values.
StoreResult ReplaceWithNewLayer(const QString& templatesFolder, const QString& layerName);

}  // namespace vidmora
