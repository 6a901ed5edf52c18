#include "tests/app/engine_fixture.h"

#include "app/processing/engine.h"
#include "app/processing/templates/template_store.h"

#include <QCryptographicHash>

#include <cstdlib>

namespace vidmora::test {

void EngineTest::SetUp() {
  ASSERT_TRUE(StartEngine().preferencesReady);
  sources_ = env_.MakeDir("sources");
}

namespace {

QByteArray Checksum(const std::filesystem::path& file) {
  return QCryptographicHash::hash(QByteArray::fromStdString(ReadFile(file)), QCryptographicHash::Sha256);
}

}  // namespace

void EngineTest::TearDown() {
  for (const auto& [file, sum] : sourceChecksums_) EXPECT_EQ(Checksum(file), sum) << file << " was changed";
}

ClipSpec EngineTest::SmallClip() {
  ClipSpec spec;
  spec.width = 320;
  spec.height = 240;
  spec.seconds = 1;
  return spec;
}

QString EngineTest::MakeSource(const QString& name, const ClipSpec& spec) {
  const std::filesystem::path target = sources_ / name.toStdString();
  std::filesystem::copy_file(SampleClip(spec), target, std::filesystem::copy_options::overwrite_existing);
  sourceChecksums_[target] = Checksum(target);
  return QString::fromStdString(target.string());
}

JobSettings EngineTest::Settings(int nameOpts, const QString& suffix) const {
  JobSettings settings;
  settings.templateName = kDemoTemplateName;
  settings.output.outputFolderOpts = 0;
  settings.output.outputFileNameOpts = nameOpts;
  settings.output.outputFileNameSuffix = suffix;
  return settings;
}

QString EngineTest::ProgramFolder() const { return EncoderLibraryFolder(); }

QRect MarkedArea(const QImage& image, QColor background, int tolerance) {
  QRect area;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (std::abs(qRed(p) - background.red()) > tolerance || std::abs(qGreen(p) - background.green()) > tolerance ||
          std::abs(qBlue(p) - background.blue()) > tolerance)
        area |= QRect(x, y, 1, 1);
    }
  return area;
}

}  // namespace vidmora::test
