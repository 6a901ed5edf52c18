#include "app/settings/app_folders.h"
#include "app/templates/template_check.h"
#include "app/templates/template_store.h"
#include "cli/commands.h"

#include <cstdio>

namespace vidmora::cli {

// Lists the templates in the order of the template list; a damaged one is
// named with its fault on standard error, and the status is then 1.
int RunTemplatesCommand(const CliOptions&) {
  const QString folder = TemplatesFolder();
  int status = kExitOk;
  for (const QString& name : ReadTemplateNames(folder)) {
    std::printf("%s\n", name.toLocal8Bit().constData());
    std::fflush(stdout);
    if (const QString problem = TemplateProblem(folder, name); !problem.isEmpty()) {
      PrintError(problem);
      status = kExitFailed;
    }
  }
  return status;
}

}  // namespace vidmora::cli
