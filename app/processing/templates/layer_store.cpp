#include "app/processing/templates/layer_store.h"

#include "app/processing/templates/listed_files.h"
#include "app/processing/templates/template_names.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

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

// A new layer file holding every value of `values`, its font included.
bool WriteLayer(const QString& path, const EditedLayer& values) {
  const QFileInfo file(path);
  const std::u16string folder = file.absolutePath().toStdU16String();
  const std::u16string base = file.completeBaseName().toStdU16String();
  return WriteNewLayerFile(folder, base, values) && SaveLayerFile(path.toStdU16String(), values);
}

// `text` shortened, by whole characters, until "<text>.xml" fits a file name.
QString FitFileName(QString text, const QString& suffix) {
  while (!text.isEmpty() && (text + suffix + QStringLiteral(".xml")).toUtf8().size() > kMaxFileNameBytes) {
    text.chop(text.size() >= 2 && text.back().isLowSurrogate() ? 2 : 1);
  }
  return text.trimmed() + suffix;
}

// A layer file for the layer `name`, created empty here (never one that is
// there already): "<name>.xml" where no template, layer or file of the folder
// uses that name, else "<name> 2.xml", "<name> 3.xml", ... Empty when none
// can be created.
QString ClaimLayerFile(const QString& templatesFolder, const QString& name) {
  const QStringList inUse = NamesInUse(templatesFolder);
  for (int number = 1; number < 10000; ++number) {
    const QString base = FitFileName(name, number == 1 ? QString() : QStringLiteral(" ") + QString::number(number));
    if (base.isEmpty() || inUse.contains(base, Qt::CaseInsensitive) ||
        base.compare(QLatin1String("qthumb"), Qt::CaseInsensitive) == 0)
      continue;
    QString path = NamedPath(templatesFolder, base);
    if (ClaimNewFile(path)) return path;
    const int error = errno;
    if (QFileInfo::exists(path)) continue;
    errno = error;  // cannot be created at all (no folder, no permission): the caller tells why
    return {};
  }
  return {};
}

std::optional<std::vector<ListedLayer>> ReadListed(const QString& templatesFolder, const QString& templateName) {
  if (!StaysInFolder(templateName)) return std::nullopt;
  return ReadLayerList(NamedPath(templatesFolder, templateName).toStdU16String());
}

// The listed layer shown as `name`.
std::optional<ListedLayer> FindListed(const std::vector<ListedLayer>& layers, const QString& name) {
  for (const ListedLayer& layer : layers)
    if (QString::fromStdU16String(layer.name) == name) return layer;
  return std::nullopt;
}

QStringList ShownNames(const std::vector<ListedLayer>& layers) {
  QStringList names;
  for (const ListedLayer& layer : layers) names << QString::fromStdU16String(layer.name);
  return names;
}

QString UnreadableTemplate(const QString& templatesFolder, const QString& templateName) {
  return QStringLiteral("The template file %1 cannot be read.").arg(NamedPath(templatesFolder, templateName));
}

}  // namespace

std::optional<QStringList> ReadLayerNames(const QString& templatesFolder, const QString& templateName) {
  const auto layers = ReadListed(templatesFolder, templateName);
  if (!layers) return std::nullopt;
  return ShownNames(*layers);
}

std::optional<std::vector<StoredLayer>> ReadStoredLayers(const QString& templatesFolder, const QString& templateName) {
  const auto layers = ReadListed(templatesFolder, templateName);
  if (!layers) return std::nullopt;
  std::vector<StoredLayer> stored;
  for (const ListedLayer& layer : *layers) {
    const QString file = QString::fromStdU16String(layer.file);
    if (StaysInFolder(file))
      stored.push_back({QString::fromStdU16String(layer.name), NamedPath(templatesFolder, file)});
  }
  return stored;
}

StoreResult AddLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName) {
  return AddLayerWithValues(templatesFolder, templateName, layerName, DefaultLayer());
}

StoreResult AddLayerWithValues(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                               const EditedLayer& values) {
  const auto layers = ReadListed(templatesFolder, templateName);
  if (!layers) return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  const QString refusal = NameRefusal(layerName, ShownNames(*layers), NamedThing::kLayer);
  if (!refusal.isEmpty()) return StoreResult::Failed(refusal);

  const FolderLock lock(templatesFolder);  // the free file name stays free while it is claimed
  const QString layerPath = ClaimLayerFile(templatesFolder, layerName);
  if (layerPath.isEmpty())
    return StoreResult::Failed(
        QStringLiteral("No layer file could be created in %1: %2.").arg(templatesFolder, FileErrorText(errno)));
  if (!WriteLayer(layerPath, values)) {
    const int error = errno;
    QFile::remove(layerPath);
    return StoreResult::Failed(
        QStringLiteral("The layer file %1 could not be written: %2.").arg(layerPath, FileErrorText(error)));
  }
  const std::u16string listPath = NamedPath(templatesFolder, templateName).toStdU16String();
  const ListedLayer listed{layerName.toStdU16String(), QFileInfo(layerPath).completeBaseName().toStdU16String()};
  bool written = AppendToLayerList(listPath, listed);
  // A template file without a "Layers" list gets a fresh one.
  if (!written && layers->empty()) written = WriteLayerList(listPath, std::vector<ListedLayer>{listed});
  if (!written) {
    const int error = errno;
    QFile::remove(layerPath);
    return StoreResult::Failed(QStringLiteral("The template file %1 could not be written: %2.")
                                   .arg(NamedPath(templatesFolder, templateName), FileErrorText(error)));
  }
  return {};
}

StoreResult MoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                      int steps) {
  const auto layers = ReadListed(templatesFolder, templateName);
  if (!layers) return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  const qsizetype from = ShownNames(*layers).indexOf(layerName);
  if (from < 0) return StoreResult::Failed(QStringLiteral("The layer \"%1\" is not in the template.").arg(layerName));
  const qsizetype to = std::clamp<qsizetype>(from + steps, 0, static_cast<qsizetype>(layers->size()) - 1);
  if (to == from) return {};
  std::vector<ListedLayer> order = *layers;
  const ListedLayer moved = order[static_cast<size_t>(from)];
  order.erase(order.begin() + from);
  order.insert(order.begin() + to, moved);
  if (!WriteLayerList(NamedPath(templatesFolder, templateName).toStdU16String(), order))
    return StoreResult::Failed(QStringLiteral("The template file %1 could not be written: %2.")
                                   .arg(NamedPath(templatesFolder, templateName), FileErrorText(errno)));
  return {};
}

QString FreeLayerName(const QString& templatesFolder, const QString& templateName, const QString& base) {
  const QStringList inUse = ReadLayerNames(templatesFolder, templateName).value_or(QStringList());
  for (int n = 1;; ++n) {
    QString candidate = n == 1 ? base + QStringLiteral(" copy") : base + QStringLiteral(" copy ") + QString::number(n);
    if (NameRefusal(candidate, inUse, NamedThing::kLayer).isEmpty()) return candidate;
  }
}

StoreResult RenameLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName,
                        const QString& newName) {
  const auto layers = ReadListed(templatesFolder, templateName);
  if (!layers) return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  const QString refusal = NameRefusal(newName, ShownNames(*layers), NamedThing::kLayer);
  if (!refusal.isEmpty()) return StoreResult::Failed(refusal);
  const std::optional<ListedLayer> layer = FindListed(*layers, layerName);
  if (!layer) return StoreResult::Failed(QStringLiteral("The layer \"%1\" is not in the template.").arg(layerName));
  const QString listPath = NamedPath(templatesFolder, templateName);
  if (!RenameInLayerList(listPath.toStdU16String(), layer->file, newName.toStdU16String()))
    return StoreResult::Failed(QStringLiteral("The list %1 could not be updated (%2); the layer keeps the name \"%3\".")
                                   .arg(listPath, FileErrorText(errno), layerName));
  return {};
}

StoreResult RemoveLayer(const QString& templatesFolder, const QString& templateName, const QString& layerName) {
  const auto layers = ReadListed(templatesFolder, templateName);
  if (!layers) return StoreResult::Failed(UnreadableTemplate(templatesFolder, templateName));
  const std::optional<ListedLayer> layer = FindListed(*layers, layerName);
  if (!layer || !StaysInFolder(QString::fromStdU16String(layer->file)))
    return StoreResult::Failed(QStringLiteral("The layer \"%1\" cannot be removed.").arg(layerName));
  const std::u16string listPath = NamedPath(templatesFolder, templateName).toStdU16String();
  if (!RemoveFromNameList(listPath, kLayerList, layer->file))
    return StoreResult::Failed(QStringLiteral("The template file %1 could not be written: %2.")
                                   .arg(NamedPath(templatesFolder, templateName), FileErrorText(errno)));
  QFile::remove(NamedPath(templatesFolder, QString::fromStdU16String(layer->file)));
  return {};
}

StoreResult ReplaceWithNewLayer(const QString& layerFilePath) {
  const QFileInfo file(layerFilePath);
  if (!WriteNewLayerFile(file.absolutePath().toStdU16String(), file.completeBaseName().toStdU16String(),
                         DefaultLayer()))
    return StoreResult::Failed(
        QStringLiteral("The layer file %1 could not be written: %2.").arg(layerFilePath, FileErrorText(errno)));
  return {};
}

}  // namespace vidmora
