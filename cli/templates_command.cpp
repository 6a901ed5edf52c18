#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/template_check.h"
#include "app/processing/templates/template_store.h"
#include "cli/commands.h"
#include "cli/timing_words.h"
#include "draw/glyphra.h"
#include "draw/template_reading.h"

#include <cstdio>

namespace vidmora::cli {

namespace {

void Print(const QString& line) { std::printf("%s\n", line.toLocal8Bit().constData()); }

// Each layer of the template, in painting order, with its timing and motion.
int ShowTemplate(const QString& folder, const QString& name) {
  glyphra::TemplateReading reading;
  const std::u16string folderText = folder.toStdU16String(), nameText = name.toStdU16String();
  if (!ReadTemplateNames(folder).contains(name) ||
      ReadWatermarkTemplate(folderText.c_str(), nameText.c_str(), 0, &reading) != 0) {
    PrintError(QString("there is no readable template \"%1\"").arg(name));
    return kExitFailed;
  }
  Print(name);
  for (const glyphra::TemplateLayer& layer : reading.layers) {
    Print("  " + layer.name);
    Print("    timing: " + TimingInWords(layer.values));
    Print("    motion: " + MotionInWords(layer.values));
  }
  std::fflush(stdout);
  for (const glyphra::TemplateProblem& problem : reading.problems) PrintError(problem.path + " " + problem.reason);
  return reading.problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace

// Lists the templates in the order of the template list; a damaged one is
// named with its fault on standard error, and the status is then 1. With
// --show, describes one template's layers instead.
int RunTemplatesCommand(const CliOptions& options) {
  const QString folder = TemplatesFolder();
  if (options.showTemplate) return ShowTemplate(folder, *options.showTemplate);
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
