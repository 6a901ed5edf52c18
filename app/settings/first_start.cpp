#include "app/settings/first_start.h"

#include "app/settings/app_folders.h"
#include "app/settings/output_preferences.h"
#include "app/templates/template_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vidmora {

namespace {

// The first free "<path>.bak", "<path>.bak.2", ...: an earlier copy is never replaced.
QString FreeBackupPath(const QString& path) {
  QString backup = path + ".bak";
  for (int n = 2; QFileInfo(backup).exists() || QFileInfo(backup).isSymLink(); ++n)
    backup = QString("%1.bak.%2").arg(path).arg(n);
  return backup;
}

void Warn(QStringList* warnings, const QString& text) {
  if (warnings) warnings->append(text);
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
  return ok;
}

}  // namespace vidmora
