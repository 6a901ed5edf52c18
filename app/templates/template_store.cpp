#include "app/templates/template_store.h"

#include "app/settings/app_folders.h"
#include "common/platform/profile_ini.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <QDir>
#include <QFileInfo>

#include <string>
#include <vector>

namespace vidmora {

namespace {

constexpr char16_t kConfigSection[] = u"General";
constexpr char16_t kConfigTemplateKey[] = u"template";

std::filesystem::path ConfigPath() { return std::filesystem::path(DataFile(kConfigFileName).toStdString()); }

}  // namespace

bool EnsureDemoTemplate(const QString& templatesFolder) {
  if (QFileInfo::exists(templatesFolder)) return false;
  QDir().mkpath(templatesFolder);

  const std::u16string folder = templatesFolder.toStdU16String();
  const std::u16string demo = QString(kDemoTemplateName).toStdU16String();
  const std::u16string layer = demo + u"_Layer 1";
  const std::vector<std::u16string> templates = {demo};
  const std::vector<std::u16string> layers = {layer};
  WriteNameList(IndexFilePath(folder), kTemplateIndex, templates);
  WriteNameList(NamedFilePath(folder, demo), kLayerList, layers);

  EditedLayer values;
  values.font = DefaultLogFont();
  ApplyNewLayerValues(values, kDemoLayerText);
  WriteNewLayerFile(folder, layer, values);
  return true;
}

QStringList ReadTemplateNames(const QString& templatesFolder) {
  QStringList names;
  const auto list = ReadNameList(IndexFilePath(templatesFolder.toStdU16String()), kTemplateIndex);
  if (list)
    for (const std::u16string& name : *list) names << QString::fromStdU16String(name);
  return names;
}

bool TemplateExists(const QString& templatesFolder, const QString& templateName) {
  const auto path = NamedFilePath(templatesFolder.toStdU16String(), templateName.toStdU16String());
  return QFileInfo(QString::fromStdU16String(path)).isFile();
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

}  // namespace vidmora
