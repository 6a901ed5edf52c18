#include "app/settings/app_folders.h"
#include "app/templates/template_store.h"
#include "cli/commands.h"

#include <cstdio>

namespace vidmora::cli {

// Lists the templates in the order of the template list.
int RunTemplatesCommand(const CliOptions&) {
  for (const QString& name : ReadTemplateNames(TemplatesFolder()))
    std::printf("%s\n", name.toLocal8Bit().constData());
  return kExitOk;
}

}  // namespace vidmora::cli
