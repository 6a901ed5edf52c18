#include "app/processing/file_checks.h"
#include "cli/commands.h"
#include "draw/glyphra.h"

#include <QFileInfo>
#include <QImage>

#include <cmath>
#include <cstdio>

namespace vidmora::cli {

// Paints the template over a picture at the picture's size, as the output
// preview does (at --time, as on a clip's frame at that time).
int RunRenderCommand(const CliOptions& options) {
  const QFileInfo in(options.imagePath);
  const QFileInfo out(options.outPath);
  if (in.absoluteFilePath() == out.absoluteFilePath() ||
      (out.exists() && IsSameFile(options.imagePath, options.outPath))) {
    PrintError(QString("--out %1 is the picture given with --image; it is never painted over").arg(options.outPath));
    return kExitUsage;
  }
  QImage image(options.imagePath);
  if (image.isNull()) {
    PrintError(QString("cannot read the picture %1").arg(options.imagePath));
    return kExitFailed;
  }

  const std::u16string name = options.overrides.templateName->toStdU16String();
  // With a time, the picture is a clip's frame at that time (of a clip of unknown length).
  const long long frameMs = options.timeSeconds ? std::llround(*options.timeSeconds * 1000) : -1;
  const int status = PaintTemplateOntoImageAt(name.c_str(), &image, frameMs, 0);
  if (status < 0) {
    PrintError(QString("the template \"%1\" cannot be read").arg(*options.overrides.templateName));
    return kExitFailed;
  }
  if (status != 0)
    PrintError(QString("painting reported status %1; the picture may lack part of the watermark").arg(status));
  if (!image.save(options.outPath)) {
    PrintError(QString("cannot write %1").arg(options.outPath));
    return kExitFailed;
  }
  std::printf("%s\n", options.outPath.toLocal8Bit().constData());
  return kExitOk;
}

}  // namespace vidmora::cli
