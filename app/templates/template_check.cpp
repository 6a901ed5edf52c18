#include "app/templates/template_check.h"

#include "app/templates/template_names.h"
#include "app/templates/template_store.h"
#include "shared/markup/markup_doc.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <QFileInfo>
#include <QImageReader>

namespace vidmora {

namespace {

// Empty when `path` is a non-empty readable file; else why not.
QString FileProblem(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return "is missing";
  if (info.isDir()) return "is a folder";
  if (!info.isReadable()) return "cannot be read (no permission)";
  if (info.size() == 0) return "is empty";
  return {};
}

QString LayerFileProblem(const QString& path, EditedLayer& layer) {
  if (QString problem = FileProblem(path); !problem.isEmpty()) return problem;
  MarkupDoc doc;
  if (!doc.Load(path.toStdU16String())) return "cannot be read as XML";
  if (!doc.FindElem(u"WatermarkConf")) return "holds no watermark layer";
  if (!LoadLayerFile(path.toStdU16String(), layer)) return "cannot be read";
  return {};
}

QString PictureProblem(const QString& path) {
  // A pipe or device is read by the painter as it comes; reading it here would
  // wait for its writer and take the bytes the painter needs.
  const QFileInfo info(path);
  if (info.exists() && !info.isDir() && !info.isFile()) return {};
  if (QString problem = FileProblem(path); !problem.isEmpty()) return problem;
  QImageReader reader(path);
  if (reader.read().isNull()) return "cannot be loaded: " + reader.errorString();
  return {};
}

}  // namespace

bool IsListedTemplate(const QString& templatesFolder, const QString& name) {
  return StaysInFolder(name) && ReadTemplateNames(templatesFolder).contains(name);
}

QString TemplateProblem(const QString& templatesFolder, const QString& name) {
  if (!IsListedTemplate(templatesFolder, name))
    return QString("There is no template \"%1\" in the template list.").arg(name);
  const std::u16string folder = templatesFolder.toStdU16String();
  const QString templateFile = QString::fromStdU16String(NamedFilePath(folder, name.toStdU16String()));
  if (const QString problem = FileProblem(templateFile); !problem.isEmpty())
    return QString("The template \"%1\" is damaged: its file %2 %3.").arg(name, templateFile, problem);
  const auto layers = ReadNameList(templateFile.toStdU16String(), kLayerList);
  if (!layers)
    return QString("The template \"%1\" is damaged: its file %2 cannot be read as XML.").arg(name, templateFile);

  for (const std::u16string& layerName : *layers) {
    const QString layerFile = QString::fromStdU16String(NamedFilePath(folder, layerName));
    if (!StaysInFolder(QString::fromStdU16String(layerName)))
      return QString("The template \"%1\" is damaged: the layer name \"%2\" is not a file name.")
          .arg(name, QString::fromStdU16String(layerName));
    EditedLayer layer;
    if (const QString problem = LayerFileProblem(layerFile, layer); !problem.isEmpty())
      return QString("The template \"%1\" is damaged: the layer file %2 %3.").arg(name, layerFile, problem);
    const QString picture = QString::fromStdU16String(layer.imagePathName);
    if (picture.isEmpty()) continue;
    if (const QString problem = PictureProblem(picture); !problem.isEmpty())
      return QString("The picture %1 of the template \"%2\" %3.").arg(picture, name, problem);
  }
  return {};
}

}  // namespace vidmora
