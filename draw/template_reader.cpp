#include "draw/template_reader.h"

#include "shared/markup/markup_doc.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <QFileInfo>
#include <QImageReader>

#include <string>

namespace glyphra {
namespace {

QString FilePath(const QString& folder, const QString& name) {
  return QString::fromStdU16String(vidmora::NamedFilePath(folder.toStdU16String(), name.toStdU16String()));
}

// A layer name that names a file of the templates folder and nothing outside it.
bool IsPlainFileName(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// Empty when `path` is a non-empty readable file; else why not.
QString FileProblem(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return QStringLiteral("is missing");
  if (info.isDir()) return QStringLiteral("is a folder");
  if (!info.isReadable()) return QStringLiteral("cannot be read (no permission)");
  if (info.size() == 0) return QStringLiteral("is empty");
  return {};
}

QString PictureProblem(const QString& path) {
  // A pipe or device is read by the painter as it comes; reading it here
  // would wait for its writer and take the bytes the painter needs.
  const QFileInfo info(path);
  if (info.exists() && !info.isDir() && !info.isFile()) return {};
  if (QString problem = FileProblem(path); !problem.isEmpty()) return problem;
  QImageReader reader(path);
  if (reader.read().isNull()) return QStringLiteral("cannot be loaded: ") + reader.errorString();
  return {};
}

// Reads one layer file into `layer`; empty on success, else why not.
QString ReadLayer(const QString& path, TemplateLayer& layer) {
  // Pipes and devices are no layer files: opening one could wait for ever.
  const QFileInfo info(path);
  if (info.exists() && !info.isDir() && !info.isFile()) return QStringLiteral("is not a regular file");
  if (QString problem = FileProblem(path); !problem.isEmpty()) return problem;
  const auto parts = vidmora::ReadLayerFile(path.toStdU16String(), layer.values);
  if (!parts) return QStringLiteral("cannot be read as XML");
  if (!parts->root) return QStringLiteral("holds no watermark layer");
  layer.hasText = parts->text;
  return {};
}

}  // namespace

TemplateReading ReadTemplate(const QString& templatesFolder, const QString& templateName, PictureCheck pictures) {
  TemplateReading reading;
  if (templatesFolder.isEmpty()) {
    reading.templateReadable = true;
    return reading;
  }
  const QString templateFile = FilePath(templatesFolder, templateName);
  const QFileInfo templateInfo(templateFile);
  if (templateInfo.exists() && !templateInfo.isDir() && !templateInfo.isFile()) {
    reading.problems.push_back({TemplateProblem::Kind::kTemplateFile, {}, templateFile, QStringLiteral("is not a regular file")});
    return reading;
  }
  const auto names = vidmora::ReadNameList(templateFile.toStdU16String(), vidmora::kLayerList);
  if (!names) {
    QString reason = FileProblem(templateFile);
    if (reason.isEmpty()) reason = QStringLiteral("cannot be read as XML");
    reading.problems.push_back({TemplateProblem::Kind::kTemplateFile, {}, templateFile, reason});
    return reading;
  }
  reading.templateReadable = true;

  for (const std::u16string& listed : *names) {
    TemplateLayer layer;
    layer.name = QString::fromStdU16String(listed);
    if (!IsPlainFileName(layer.name)) {
      reading.problems.push_back({TemplateProblem::Kind::kLayerName, layer.name, layer.name,
                                  QStringLiteral("is not a file name")});
      continue;
    }
    const QString layerFile = FilePath(templatesFolder, layer.name);
    if (const QString problem = ReadLayer(layerFile, layer); !problem.isEmpty()) {
      reading.problems.push_back({TemplateProblem::Kind::kLayerFile, layer.name, layerFile, problem});
      continue;
    }
    const QString picture = QString::fromStdU16String(layer.values.imagePathName);
    if (pictures == PictureCheck::kDecode && !picture.isEmpty()) {
      if (const QString problem = PictureProblem(picture); !problem.isEmpty())
        reading.problems.push_back({TemplateProblem::Kind::kPicture, layer.name, picture, problem});
    }
    reading.layers.push_back(std::move(layer));
  }
  return reading;
}

}  // namespace glyphra
