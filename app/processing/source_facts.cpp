#include "app/processing/source_facts.h"

#include "app/processing/encoder_library.h"
#include "app/processing/media_probe.h"
#include "app/processing/paint_size.h"

namespace vidmora {

SourceFacts ReadSourceFacts(const QString& encoderLibraryFolder, const QString& sourcePath) {
  SourceFacts facts;
  MediaProbe probe;
  if (probe.Open(sourcePath) == ProbeError::kNotMedia) {
    facts.problem = QStringLiteral("it holds no media that can be read.");
    return facts;
  }
  facts.durationSeconds = probe.DurationSeconds();
  QString error;
  const std::unique_ptr<EncoderLibrary> library = EncoderLibrary::Load(encoderLibraryFolder, error);
  // Without the encoder library the row is not judged: the run says why.
  if (!library) {
    facts.video = true;
    return facts;
  }
  const PaintSize size = SourcePaintSize(*library, sourcePath, &probe);
  if (!size.Known()) {
    facts.problem = QStringLiteral("no video frame size can be read from it (%1).").arg(size.error);
    return facts;
  }
  facts.video = true;
  facts.shown = size.shown;
  return facts;
}

}  // namespace vidmora
