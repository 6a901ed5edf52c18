#include "app/processing/output_plan.h"

namespace vidmora {

OutputPlan PlanOutput(const QString& sourcePath, const OutputPreferences& preferences,
                      const EncodingSettings& settings) {
  OutputPlan plan;
  const qsizetype slash = sourcePath.lastIndexOf('/');
  const QString fileName = sourcePath.mid(slash + 1);

  if (preferences.outputFolderOpts == 0) {
    plan.folder = slash > 0 ? sourcePath.left(slash) : slash == 0 ? QString() : QString(".");
  } else {
    plan.folder = preferences.outputFolderPath;
    while (plan.folder.size() > 1 && plan.folder.endsWith('/')) plan.folder.chop(1);
  }

  // "x.y.z.mov" has the base name "x.y.z"; a name without a dot (or with only
  // a leading one) is kept whole.
  const qsizetype dot = fileName.lastIndexOf('.');
  plan.baseName = dot > 0 ? fileName.left(dot) : fileName;

  QString outputName = plan.baseName;
  if (preferences.outputFileNameOpts == 1) outputName += preferences.outputFileNameSuffix;
  plan.path = plan.folder + "/" + outputName + Info(settings.container).extension;
  return plan;
}

}  // namespace vidmora
