#pragma once

// The layers of one template: its template file "<template>.xml" lists them,
// each with its layer file in the templates folder and the name the user
// sees (ListedLayer). A layer name has to be unique only within its
// template; a new layer's file is named after it where that file name is
// free in the folder, else after it with a number, and is always created new.
// Layers are named here by the names the user sees. Every call reads and
// writes the files afresh. UI thread (or any single thread at a time).

#include "app/processing/templates/store_result.h"

#include <QString>
#include <QStringList>

#include "shared/template/edited_layer.h"

#include <optional>
#include <vector>

namespace vidmora {

// The layer names of the template file in order; nullopt when the file
// cannot be read or parsed; empty when it lists none.
std::optional<QStringList> ReadLayerNames(const QString& templatesFolder, const QString& templateName);

// A layer as listed: its name and the path of its layer file.
struct StoredLayer {
  QString name;
  QString path;
};
// The template's layers in order (nullopt as for ReadLayerNames); entries
// whose file name would reach outside the folder are left out.
std::optional<std::vector<StoredLayer>> ReadStoredLayers(const QString& templatesFolder, const QString& templateName);

// Writes a new layer file with the new-layer values (text "Vidmora For
// Win") and lists it last in the template file. Names are checked with
// NameRefusal against the template's layer names first.
StoreResult AddLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName);

// AddLayer with the given values instead of the new-layer values.
StoreResult AddLayerWithValues(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                               const EditedLayer& values);

// Moves the layer `steps` places in the template's list (negative: earlier,
// painted below), clamped to the list.
StoreResult MoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                      int steps);

// "<base> copy", then "<base> copy 2", ...: the first that NameRefusal takes
// in the template.
QString FreeLayerName(const QString& templatesFolder, const QString& templateName, const QString& base);

// Gives the layer a new name in the template file; its file keeps its name.
StoreResult RenameLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                        const QString& newName);

// Takes the layer out of the template file and deletes its file.
StoreResult RemoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName);

// Replaces an unreadable layer file (its path) with a new layer of default values.
StoreResult ReplaceWithNewLayer(const QString& layerFilePath);

}  // namespace vidmora
