#include "app/processing/paint_size.h"

#include "app/processing/media_probe.h"
#include "logging/log_interface.h"

#include <memory>

namespace vidmora {

namespace {

QString SizeText(QSize size) { return QString("%1x%2").arg(size.width()).arg(size.height()); }

}  // namespace

PaintSize SourcePaintSize(const EncoderLibrary& library, const QString& sourcePath, const MediaProbe* probe) {
  PaintSize size;
  const DecodedGeometry geometry = library.FrameGeometry(sourcePath, size.error);
  size.frame = geometry.frame;
  size.shown = geometry.shown;
  if (!size.Known()) return size;
  // A container's header can claim another size than its pictures have; the
  // frames are what gets painted.
  if (probe != nullptr) {
    const QSize claimed = probe->FrameSize();
    if (!claimed.isEmpty() && claimed != size.frame) {
      const QString line = QString("%1: MediaInfo gives the frame size %2, the decoder %3; painting for %3 (shown as %4)")
                               .arg(sourcePath, SizeText(claimed), SizeText(size.frame), SizeText(size.shown));
      CLogInterface::GetInstance(u"Vidmora")->DoLogMessage(line.toStdU16String());
    }
  }
  return size;
}

PaintSize SourcePaintSize(const QString& encoderLibraryFolder, const QString& sourcePath) {
  QString error;
  const std::unique_ptr<EncoderLibrary> library = EncoderLibrary::Load(encoderLibraryFolder, error);
  if (!library) {
    PaintSize size;
    size.error = QString("load %1 failed: %2").arg(kEncoderLibraryFileName, error);
    return size;
  }
  return SourcePaintSize(*library, sourcePath, nullptr);
}

}  // namespace vidmora
