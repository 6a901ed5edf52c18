#include "app/processing/templates/template_names.h"

#include "common/quorvil.h"
#include "shared/template/template_files.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <vector>

namespace vidmora {

namespace {

bool HasControlCharacter(const QString& name) {
  return std::any_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

void AppendNames(QStringList& names, const std::optional<std::vector<std::u16string>>& list) {
  if (!list) return;
  for (const std::u16string& name : *list) names << QString::fromStdU16String(name);
}

}  // namespace

QStringList NamesInUse(const QString& templatesFolder) {
  const std::u16string folder = templatesFolder.toStdU16String();
  QStringList names;
  const auto templates = ReadNameList(IndexFilePath(folder), kTemplateIndex);
  AppendNames(names, templates);
  if (templates) {
    for (const std::u16string& name : *templates)
      if (StaysInFolder(QString::fromStdU16String(name))) AppendNames(names, ReadNameList(NamedFilePath(folder, name), kLayerList));
  }
  const QDir dir(templatesFolder);
  for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::Hidden))
    names << file.completeBaseName();
  names.removeDuplicates();
  return names;
}

QString NameRefusal(const QString& name, const QStringList& inUse, NamedThing thing) {
  const bool layer = thing == NamedThing::kLayer;
  if (name.isEmpty())
    return layer ? QStringLiteral("Please input a valid layer name.") : QStringLiteral("Please input a valid template name.");
  if (!IsFileNameLegal(reinterpret_cast<const char16_t*>(name.utf16())) || HasControlCharacter(name))
    return QStringLiteral("A name cannot hold any of the characters \\ / : ? < > | * \" or control characters.");
  if (name == QLatin1String(".") || name == QLatin1String(".."))
    return QStringLiteral("\"%1\" cannot be used as a name.").arg(name);
  if (name.compare(QLatin1String("qthumb"), Qt::CaseInsensitive) == 0)
    return QStringLiteral("\"%1\" is the name of the template list's own file; please input a different name.").arg(name);
  if (name.trimmed() != name)
    return QStringLiteral("A name cannot begin or end with a space; please input \"%1\" without them.").arg(name.trimmed());
  // A template's file and its first layer's file "<name>_Layer 1.xml".
  const QString longestFile = name + (layer ? QStringLiteral(".xml") : QStringLiteral("_Layer 1.xml"));
  if (longestFile.toUtf8().size() > kMaxFileNameBytes)
    return QStringLiteral("The name is too long: its file \"%1\" would have %2 bytes, more than the %3 a file name "
                          "can have; please input a shorter name.")
        .arg(longestFile, QString::number(longestFile.toUtf8().size()), QString::number(kMaxFileNameBytes));
  if (inUse.contains(name, Qt::CaseInsensitive))
    return layer ? QStringLiteral("The layer name has exist, please input a different name!")
                 : QStringLiteral("A template or layer named \"%1\" exists already; please input a different name.").arg(name);
  return {};
}

bool StaysInFolder(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

}  // namespace vidmora
