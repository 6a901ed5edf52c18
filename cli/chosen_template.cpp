#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_check.h"
#include "app/processing/templates/template_store.h"
#include "cli/commands.h"

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

}  // namespace vidmora::cli
