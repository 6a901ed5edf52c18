#include "app/processing/preview_frame.h"

#include "app/processing/encoder_library.h"

namespace vidmora {

GrabbedFrame GrabFrame(const QString& encoderLibraryFolder, const QString& sourcePath, double seconds) {
  GrabbedFrame grabbed;
  QString error;
  const std::unique_ptr<EncoderLibrary> library = EncoderLibrary::Load(encoderLibraryFolder, error);
  if (!library) {
    grabbed.error = QString("load %1 failed: %2").arg(kEncoderLibraryFileName, error);
    return grabbed;
  }
  grabbed.image = library->GrabFrame(sourcePath, seconds, error);
  if (grabbed.image.isNull()) grabbed.error = QString("no picture of %1: %2").arg(sourcePath, error);
  return grabbed;
}

}  // namespace vidmora
