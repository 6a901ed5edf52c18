#include "app/processing/output_plan.h"

#include "app/processing/recipients.h"

#include <algorithm>

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

OutputPlan PlanOutput(const QString& sourcePath, const OutputPreferences& preferences, const EncodingSettings& settings,
                      const OutputNaming& naming) {
  OutputPlan plan = PlanOutput(sourcePath, preferences, settings);
  if (naming.pattern.isEmpty() && naming.recipient.isEmpty()) return plan;
  const QString extension = Info(settings.container).extension;
  constexpr int kNameBytes = 255;
  const int room = kNameBytes - static_cast<int>(extension.toUtf8().size());
  QString name =
      naming.pattern.isEmpty()
          ? plan.baseName
          : SafeFileNamePart(
                QString::fromStdU16String(ExpandTokens(naming.pattern.toStdU16String(), naming.tokens).text), room);
  if (preferences.outputFileNameOpts == 1) name += preferences.outputFileNameSuffix;
  if (!naming.recipient.isEmpty() && !naming.pattern.contains("{recipient}")) {
    const int left = room - static_cast<int>(name.toUtf8().size()) - 1;
    name += "_" + SafeFileNamePart(naming.recipient, std::max(left, 16));
  }
  plan.path = plan.folder + "/" + SafeFileNamePart(name, room) + extension;
  return plan;
}

}  // namespace vidmora
