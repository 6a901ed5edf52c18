#include "app/templates/layer_store.h"

#include "app/templates/listed_files.h"
#include "app/templates/template_names.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <QFile>

#include <algorithm>

#include <string>
#include <vector>

namespace vidmora {

namespace {

EditedLayer DefaultLayer() {
  EditedLayer values;
  values.font = DefaultLogFont();
  ApplyNewLayerValues(values, kNewTemplateLayerText);
  return values;
}

bool WriteDefaultLayer(const QString& templatesFolder, const QString& layerName) {
  return WriteNewLayerFile(templatesFolder.toStdU16String(), layerName.toStdU16String(), DefaultLayer());
}

// A new layer file holding every value of `values`, its font included.
bool WriteLayer(const QString& templatesFolder, const QString& layerName, const EditedLayer& values) {
  const std::u16string folder = templatesFolder.toStdU16String();
  const std::u16string name = layerName.toStdU16String();
  return WriteNewLayerFile(folder, name, values) && SaveLayerFile(NamedFilePath(folder, name), values);
}

QString UnreadableTemplate(const QString& templatesFolder, const QString& templateName) {
  return QStringLiteral("The template file %1 cannot be read.").arg(NamedPath(templatesFolder, templateName));
}

}  // namespace

std::optional<QStringList> ReadLayerNames(const QString& templatesFolder, const QString& templateName) {
  if (!StaysInFolder(templateName)) return std::nullopt;
  const auto list = ReadNameList(NamedPath(templatesFolder, templateName).toStdU16String(), kLayerList);
  if (!list) return std::nullopt;
  QStringList names;
  for (const std::u16string& name : *list) names << QString::fromStdU16String(name);
  return names;
}

QString LayerFilePath(const QString& templatesFolder, const QString& layerName) {
  return NamedPath(templatesFolder, layerName);
}

StoreResult AddLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName) {
  return AddLayerWithValues(templatesFolder, templateName, layerName, DefaultLayer());
}

StoreResult AddLayerWithValues(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                               const EditedLayer& values) {
  const QString refusal = NameRefusal(layerName, NamesInUse(templatesFolder), NamedThing::kLayer);
  if (!refusal.isEmpty()) return StoreResult::Failed(refusal);
  const std::optional<QStringList> layers = ReadLayerNames(templatesFolder, templateName);
  if (!layers) return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));

  const QString layerPath = LayerFilePath(templatesFolder, layerName);
  // A new file, never one that appeared since the names were read.
  if (!ClaimNewFile(layerPath))
    return StoreResult::Failed(QStringLiteral("The layer file %1 could not be created.").arg(layerPath));
  if (!WriteLayer(templatesFolder, layerName, values)) {
    QFile::remove(layerPath);
    return StoreResult::Failed(QStringLiteral("The layer file %1 could not be written.").arg(layerPath));
  }
  const std::u16string listPath = NamedPath(templatesFolder, templateName).toStdU16String();
  bool listed = AppendToNameList(listPath, kLayerList, layerName.toStdU16String());
  // A template file without a "Layers" list gets a fresh one.
  if (!listed && layers->isEmpty())
    listed = WriteNameList(listPath, kLayerList, std::vector<std::u16string>{layerName.toStdU16String()});
  if (!listed) {
    QFile::remove(layerPath);
    return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  }
  return {};
}

StoreResult MoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                      int steps) {
  const std::optional<QStringList> layers = ReadLayerNames(templatesFolder, templateName);
  if (!layers) return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  const qsizetype from = layers->indexOf(layerName);
  if (from < 0) return StoreResult::Failed(QStringLiteral("The layer \"%1\" is not in the template.").arg(layerName));
  const qsizetype to = std::clamp<qsizetype>(from + steps, 0, layers->size() - 1);
  if (to == from) return {};
  QStringList order = *layers;
  order.move(from, to);
  std::vector<std::u16string> names;
  for (const QString& name : order) names.push_back(name.toStdU16String());
  if (!WriteNameList(NamedPath(templatesFolder, templateName).toStdU16String(), kLayerList, names))
    return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  return {};
}

QString FreeLayerName(const QString& templatesFolder, const QString& base) {
  const QStringList inUse = NamesInUse(templatesFolder);
  for (int n = 1;; ++n) {
    const QString candidate = n == 1 ? base + QStringLiteral(" copy") : base + QStringLiteral(" copy ") + QString::number(n);
    if (NameRefusal(candidate, inUse, NamedThing::kLayer).isEmpty()) return candidate;
  }
}

StoreResult RenameLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                        const QString& newName) {
  const QString refusal = NameRefusal(newName, NamesInUse(templatesFolder), NamedThing::kLayer);
  if (!refusal.isEmpty()) return StoreResult::Failed(refusal);
  if (!StaysInFolder(templateName) || !StaysInFolder(layerName))
    return StoreResult::Failed(QStringLiteral("The layer \"%1\" cannot be renamed.").arg(layerName));
  return RenameListedFile(templatesFolder, NamedPath(templatesFolder, templateName), kLayerList, layerName, newName,
                          QStringLiteral("layer"));
}

StoreResult RemoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName) {
  if (!StaysInFolder(templateName) || !StaysInFolder(layerName))
    return StoreResult::Failed(QStringLiteral("The layer \"%1\" cannot be removed.").arg(layerName));
  const std::u16string listPath = NamedPath(templatesFolder, templateName).toStdU16String();
  if (!RemoveFromNameList(listPath, kLayerList, layerName.toStdU16String()))
    return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  QFile::remove(LayerFilePath(templatesFolder, layerName));
  return {};
}

StoreResult ReplaceWithNewLayer(const QString& templatesFolder, const QString& layerName) {
  if (!StaysInFolder(layerName) || !WriteDefaultLayer(templatesFolder, layerName))
    return StoreResult::Failed(QStringLiteral("The layer file %1 could not be written.").arg(LayerFilePath(templatesFolder, layerName)));
  return {};
}

}  // namespace vidmora
