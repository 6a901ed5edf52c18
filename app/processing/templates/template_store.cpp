#include "app/processing/templates/template_store.h"

#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/listed_files.h"
#include "app/processing/templates/template_names.h"
#include "common/platform/profile_ini.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vidmora {

namespace {

constexpr char16_t kConfigSection[] = u"General";
constexpr char16_t kConfigTemplateKey[] = u"template";

std::filesystem::path ConfigPath() { return std::filesystem::path(DataFile(kConfigFileName).toStdString()); }

QString PathOf(const std::u16string& path) { return QString::fromStdU16String(path); }

// "<name>_Layer N" for the first N that no list or file of the folder uses,
// created as an empty file; empty when none can be created.
std::optional<std::u16string> ClaimFreeLayerName(const QString& templatesFolder, const QString& name) {
  const QStringList inUse = NamesInUse(templatesFolder);
  for (int number = 1; number < 1000; ++number) {
    const QString layer = name + QStringLiteral("_Layer ") + QString::number(number);
    if (inUse.contains(layer, Qt::CaseInsensitive)) continue;
    if (ClaimNewFile(NamedPath(templatesFolder, layer))) return layer.toStdU16String();
    const int error = errno;
    if (QFileInfo::exists(NamedPath(templatesFolder, layer))) continue;  // made meanwhile by another program
    errno = error;                                                       // the caller tells why
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

bool EnsureDemoTemplate(const QString& templatesFolder) {
  if (QFileInfo::exists(templatesFolder)) return false;
  // Built in a private folder and renamed into place whole, so that a start
  // running at the same time sees either no templates folder or the complete
  // demo template, never a folder still being filled.
  const QFileInfo target(templatesFolder);
  QDir().mkpath(target.absolutePath());
  QTemporaryDir building(target.absolutePath() + "/." + target.fileName() + "-XXXXXX");
  if (!building.isValid()) return false;

  const std::u16string folder = building.path().toStdU16String();
  const std::u16string demo = QString(kDemoTemplateName).toStdU16String();
  const std::u16string layer = demo + u"_Layer 1";
  const std::vector<std::u16string> templates = {demo};
  const std::vector<std::u16string> layers = {layer};
  EditedLayer values;
  values.font = DefaultLogFont();
  ApplyNewLayerValues(values, kDemoLayerText);
  if (!WriteNameList(IndexFilePath(folder), kTemplateIndex, templates) ||
      !WriteNameList(NamedFilePath(folder, demo), kLayerList, layers) || !WriteNewLayerFile(folder, layer, values))
    return false;
  // QTemporaryDir makes its folder private (0700); templates are the user's ordinary files.
  QFile::setPermissions(building.path(), QFile::permissions(target.absolutePath()));
  // Fails when another start put its folder there first: the demo is then there already.
  if (rename(QFile::encodeName(building.path()).constData(), QFile::encodeName(templatesFolder).constData()) != 0)
    return false;
  building.setAutoRemove(false);
  return true;
}

QStringList ReadTemplateNames(const QString& templatesFolder) {
  QStringList names;
  const auto list = ReadNameList(IndexFilePath(templatesFolder.toStdU16String()), kTemplateIndex);
  if (list)
    for (const std::u16string& name : *list) names << QString::fromStdU16String(name);
  return names;
}

int StoredTemplateRow() {
  return quorvil::GetPrivateProfileInt(kConfigSection, kConfigTemplateKey, 0, ConfigPath());
}

void StoreTemplateRow(int row) {
  quorvil::WritePrivateProfileString(kConfigSection, kConfigTemplateKey, QString::number(row).toStdU16String(),
                                     ConfigPath());
}

QString StoredTemplateName(const QString& templatesFolder) {
  const QStringList names = ReadTemplateNames(templatesFolder);
  const int row = StoredTemplateRow();
  return row >= 0 && row < names.size() ? names[row] : QString(kDemoTemplateName);
}

StoreResult AddTemplate(const QString& templatesFolder, const QString& name) {
  const FolderLock lock(templatesFolder);  // none while the folder does not exist yet
  const QString refusal = NameRefusal(name, NamesInUse(templatesFolder), NamedThing::kTemplate);
  if (!refusal.isEmpty()) return StoreResult::Failed(refusal);

  const std::u16string folder = templatesFolder.toStdU16String();
  const std::u16string templateName = name.toStdU16String();
  const std::u16string indexPath = IndexFilePath(folder);
  const std::u16string templatePath = NamedFilePath(folder, templateName);
  // The system's reason, read at once after the step that failed.
  const auto failed = [&] {
    return StoreResult::Failed(QStringLiteral("The template \"%1\" could not be written to %2: %3.")
                                   .arg(name, templatesFolder, FileErrorText(errno)));
  };

  // The layer and template files first, the index last: the list never names
  // a template whose files are missing. Both are new files: a layer of
  // another template may have the name "<name>_Layer 1" (a renamed template
  // keeps its layers' names), so the first free number is taken.
  QDir().mkpath(templatesFolder);
  if (!ClaimNewFile(PathOf(templatePath))) return failed();
  const std::optional<std::u16string> free = ClaimFreeLayerName(templatesFolder, name);
  if (!free) {
    StoreResult result = failed();
    QFile::remove(PathOf(templatePath));
    return result;
  }
  const std::u16string& layer = *free;
  const std::u16string layerPath = NamedFilePath(folder, layer);
  EditedLayer values;
  values.font = DefaultLogFont();
  ApplyNewLayerValues(values, kNewTemplateLayerText);
  const std::vector<std::u16string> layers = {layer};
  if (!WriteNewLayerFile(folder, layer, values) || !WriteNameList(templatePath, kLayerList, layers)) {
    StoreResult result = failed();
    QFile::remove(PathOf(layerPath));
    QFile::remove(PathOf(templatePath));
    return result;
  }
  const bool indexed = QFileInfo::exists(PathOf(indexPath))
                           ? AppendToNameList(indexPath, kTemplateIndex, templateName)
                           : WriteNameList(indexPath, kTemplateIndex, std::vector<std::u16string>{templateName});
  if (!indexed) {
    const QString reason = FileErrorText(errno);
    QFile::remove(PathOf(layerPath));
    QFile::remove(PathOf(templatePath));
    return StoreResult::Failed(
        QStringLiteral("The template list %1 could not be updated: %2.").arg(PathOf(indexPath), reason));
  }
  return {};
}

StoreResult RenameTemplate(const QString& templatesFolder, const QString& name, const QString& newName) {
  const FolderLock lock(templatesFolder);
  const QString refusal = NameRefusal(newName, NamesInUse(templatesFolder), NamedThing::kTemplate);
  if (!refusal.isEmpty()) return StoreResult::Failed(refusal);
  if (!StaysInFolder(name)) return StoreResult::Failed(QStringLiteral("The template \"%1\" cannot be renamed.").arg(name));

  const QString indexPath = PathOf(IndexFilePath(templatesFolder.toStdU16String()));
  return RenameListedFile(templatesFolder, indexPath, kTemplateIndex, name, newName, QStringLiteral("template"));
}

StoreResult RemoveTemplate(const QString& templatesFolder, const QString& name) {
  const FolderLock lock(templatesFolder);
  if (!StaysInFolder(name)) return StoreResult::Failed(QStringLiteral("The template \"%1\" cannot be removed.").arg(name));
  const std::u16string folder = templatesFolder.toStdU16String();
  const std::u16string templatePath = NamedFilePath(folder, name.toStdU16String());
  const std::u16string indexPath = IndexFilePath(folder);
  if (QFileInfo::exists(PathOf(indexPath)) && ReadTemplateNames(templatesFolder).contains(name) &&
      !RemoveFromNameList(indexPath, kTemplateIndex, name.toStdU16String()))
    return StoreResult::Failed(QStringLiteral("The template list %1 could not be updated.").arg(PathOf(indexPath)));

  if (const auto layers = ReadNameList(templatePath, kLayerList)) {
    for (const std::u16string& layer : *layers) {
      const QString layerName = QString::fromStdU16String(layer);
      if (StaysInFolder(layerName) && layerName.compare(QLatin1String("qthumb"), Qt::CaseInsensitive) != 0)
        QFile::remove(PathOf(NamedFilePath(folder, layer)));
    }
  }
  QFile::remove(PathOf(templatePath));
  return {};
}

}  // namespace vidmora
