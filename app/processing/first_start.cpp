#include "app/processing/first_start.h"

#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/output_preferences.h"
#include "app/processing/templates/template_store.h"
#include "shared/markup/markup_doc.h"
#include "shared/template/template_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <string>
#include <vector>

namespace vidmora {

namespace {

// The first free "<path>.bak", "<path>.bak.2", ...: an earlier copy is never replaced.
QString FreeBackupPath(const QString& path) {
  QString backup = path + ".bak";
  for (int n = 2; QFileInfo(backup).exists() || QFileInfo(backup).isSymLink(); ++n)
    backup = path + QStringLiteral(".bak.") + QString::number(n);
  return backup;
}

void Warn(QStringList* warnings, const QString& text) {
  if (warnings) warnings->append(text);
}

bool HasRoot(const QString& path, std::u16string_view root) {
  MarkupDoc doc;
  return doc.Load(path.toStdU16String()) && doc.IsWellFormed() && doc.FindElem(root);
}

// A damaged index would hide every template: it is kept as a backup and
// rebuilt from the folder's template files (those whose root is the layer
// list), in the order of their names.
void RepairTemplateIndex(const QString& folder, QStringList* warnings) {
  const QString index = QString::fromStdU16String(IndexFilePath(folder.toStdU16String()));
  if (!QFileInfo::exists(index) || HasRoot(index, kTemplateIndex.root)) return;
  const QString backup = FreeBackupPath(index);
  if (!QFile::rename(index, backup)) {
    Warn(warnings, QString("The template list %1 is damaged and cannot be set aside; no template is listed.").arg(index));
    return;
  }
  std::vector<std::u16string> names;
  const QDir dir(folder);
  for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
    if (HasRoot(file.filePath(), kLayerList.root)) names.push_back(file.completeBaseName().toStdU16String());
  if (!WriteNameList(index.toStdU16String(), kTemplateIndex, names)) {
    Warn(warnings, QString("The template list %1 was damaged and kept as %2; a new one cannot be written.").arg(index, backup));
    return;
  }
  Warn(warnings, QString("The template list %1 was damaged; it was kept as %2 and rebuilt from the %3 template files "
                         "of the folder.")
                     .arg(index, backup, QString::number(names.size())));
}

}  // namespace

bool PrepareDataFolder(QStringList* warnings) {
  const QString dataFolder = DataFolder();
  if (!QFileInfo(dataFolder).isDir() || !QFileInfo(dataFolder).isWritable())
    Warn(warnings, QString("The data folder %1 cannot be created or written; the preferences and templates cannot be "
                           "kept.")
                       .arg(dataFolder));

  bool ok = true;
  const QString preferences = DataFile(kPreferencesFileName);
  const QFileInfo info(preferences);
  if (info.exists() && !PreferencesFileIsSound(preferences)) {
    const QString backup = FreeBackupPath(preferences);
    if (QFile::rename(preferences, backup)) {
      Warn(warnings, QString("%1 is damaged; it was kept as %2 and the first-start preferences are used.")
                         .arg(preferences, backup));
    } else {
      Warn(warnings, QString("%1 is damaged and cannot be set aside; the first-start preferences are used for this "
                             "run.")
                         .arg(preferences));
      ok = false;
    }
  }
  if (!QFileInfo::exists(preferences)) {
    ok = WriteOutputPreferences(preferences, FirstStartPreferences(DocumentsFolder())) && ok;
    if (!ok) Warn(warnings, QString("%1 cannot be written.").arg(preferences));
  }
  if (!EnsureDemoTemplate(TemplatesFolder()) && !QFileInfo(TemplatesFolder()).isDir())
    Warn(warnings, QString("The templates folder %1 cannot be created.").arg(TemplatesFolder()));
  RepairTemplateIndex(TemplatesFolder(), warnings);
  return ok;
}

}  // namespace vidmora
