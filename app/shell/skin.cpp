#include "app/shell/skin.h"

#include "app/processing/engine.h"
#include "app/settings/language_manager.h"

#include <QFile>
#include <QFileInfo>
#include <QUiLoader>
#include <QWidget>

namespace vidmora {

QString SkinFolder() { return ProgramFolder() + QStringLiteral("/skin"); }

QString SkinLayoutPath(const QString& fileName) { return SkinFolder() + QStringLiteral("/en/") + fileName; }

QString SkinPicturePath(const QString& name) {
  return SkinFolder() + QStringLiteral("/default/") + name + QStringLiteral(".png");
}

QIcon SkinIcon(const QString& name) {
  // QIcon adds "name@2x.png" by itself when it exists.
  return QIcon(SkinPicturePath(name));
}

QString SkinStyleSheet() {
  QFile file(SkinFolder() + QStringLiteral("/vidmora.qss"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QWidget* LoadSkinLayout(const QString& fileName, QWidget* parent, QString& error) {
  const QString path = SkinLayoutPath(fileName);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("The window layout \"%1\" cannot be read: %2").arg(path, file.errorString());
    return nullptr;
  }
  QUiLoader loader;
  QWidget* content = loader.load(&file, parent);
  if (!content) {
    error = QStringLiteral("The window layout \"%1\" is damaged: %2").arg(path, loader.errorString());
    return nullptr;
  }
  // The texts of the language file's section DIALOG_<layout>, e.g. DIALOG_maindlg.
  CLanguageManager::ForProgram().TranslateDialog(content, QFileInfo(fileName).completeBaseName());
  return content;
}

}  // namespace vidmora
