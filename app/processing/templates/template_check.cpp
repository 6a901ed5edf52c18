#include "app/processing/templates/template_check.h"

#include "app/processing/templates/template_names.h"
#include "app/processing/templates/template_store.h"
#include "draw/glyphra.h"
#include "draw/template_reading.h"

#include <string>

namespace vidmora {

bool IsListedTemplate(const QString& templatesFolder, const QString& name) {
  return StaysInFolder(name) && ReadTemplateNames(templatesFolder).contains(name);
}

QString TemplateProblem(const QString& templatesFolder, const QString& name) {
  if (!IsListedTemplate(templatesFolder, name))
    return QString("There is no template \"%1\" in the template list.").arg(name);
  // The drawing library's own reading: what it finds wrong is what would be
  // missing from the painted frames.
  glyphra::TemplateReading reading;
  const std::u16string folder = templatesFolder.toStdU16String();
  const std::u16string templateName = name.toStdU16String();
  ReadWatermarkTemplate(folder.c_str(), templateName.c_str(), 1, &reading);
  if (reading.problems.empty()) return {};
  const glyphra::TemplateProblem& problem = reading.problems.front();
  using Kind = glyphra::TemplateProblem::Kind;
  switch (problem.kind) {
    case Kind::kTemplateFile:
      return QString("The template \"%1\" is damaged: its file %2 %3.").arg(name, problem.path, problem.reason);
    case Kind::kLayerName:
      return QString("The template \"%1\" is damaged: the layer name \"%2\" is not a file name.")
          .arg(name, problem.layerName);
    case Kind::kLayerFile:
      return QString("The template \"%1\" is damaged: the layer file %2 %3.").arg(name, problem.path, problem.reason);
    case Kind::kPicture:
      return QString("The picture %1 of the template \"%2\" %3.").arg(problem.path, name, problem.reason);
  }
  return {};
}

QStringList TemplateTexts(const QString& templatesFolder, const QString& name) {
  glyphra::TemplateReading reading;
  const std::u16string folder = templatesFolder.toStdU16String();
  const std::u16string templateName = name.toStdU16String();
  ReadWatermarkTemplate(folder.c_str(), templateName.c_str(), 0, &reading);
  QStringList texts;
  for (const glyphra::TemplateLayer& layer : reading.layers)
    if (layer.hasText) texts << QString::fromStdU16String(layer.values.textContent);
  return texts;
}

}  // namespace vidmora
