#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_check.h"
#include "app/processing/templates/template_store.h"
#include "cli/commands.h"
#include "cli/overridden_settings.h"

#include <QFileInfo>

namespace vidmora::cli {

int ChooseTemplate(const CliOptions& options, QString& templateName) {
  templateName = options.overrides.templateName.value_or(StoredTemplateName(TemplatesFolder()));
  if (!QFileInfo(TemplatesFolder()).isDir()) {
    PrintError(QString("there are no templates: the folder %1 does not exist and cannot be made").arg(TemplatesFolder()));
    return kExitFailed;
  }
  if (!IsListedTemplate(TemplatesFolder(), templateName)) {
    PrintError(QString("there is no template \"%1\" (see 'vidmora-cli templates')").arg(templateName));
    return kExitUsage;
  }
  return kExitOk;
}

int ChooseSettings(const CliOptions& options, std::optional<OverriddenJobSettings>& settings) {
  QString templateName;
  if (const int status = ChooseTemplate(options, templateName); status != kExitOk) return status;
  settings.emplace(templateName, options.overrides);
  if (const QString problem = CheckCodecChoice(options.overrides, settings->Load().encoding); !problem.isEmpty()) {
    PrintError(problem);
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace vidmora::cli
