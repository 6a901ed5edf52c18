#include "app/templates/preview_renderer.h"

#include "app/processing/preview_frame.h"
#include "app/processing/settings/preview_cache.h"
#include "app/processing/templates/template_names.h"
#include "draw/glyphra.h"
#include "shared/template/edited_layer.h"
#include "shared/template/layer_file.h"
#include "shared/template/template_files.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace vidmora {

namespace {

// The PNG text key naming the template a cache picture was painted with, and
// the one naming how it was painted: pictures of an older painting (the first
// layer only, at the stored size of the frames) are made again.
const QString kTemplateKey = QStringLiteral("Template");
const QString kPaintingKey = QStringLiteral("Painting");
const QString kPainting = QStringLiteral("every layer, as shown at its frame's time");

QDateTime NewestFileIn(const QString& folder) {
  QDateTime newest;
  QDirIterator files(folder, QDir::Files);
  while (files.hasNext()) newest = qMax(newest, files.nextFileInfo().lastModified());
  return newest;
}

// The newest change of the pictures the template's layers show: a logo
// changed on disk changes the preview although no template file did.
QDateTime NewestPictureOf(const QString& templatesFolder, const QString& templateName) {
  QDateTime newest;
  const std::u16string folder = templatesFolder.toStdU16String();
  const auto layers = ReadNameList(NamedFilePath(folder, templateName.toStdU16String()), kLayerList);
  if (!layers) return newest;
  for (const std::u16string& layerName : *layers) {
    if (!StaysInFolder(QString::fromStdU16String(layerName))) continue;
    EditedLayer layer;
    if (!LoadLayerFile(NamedFilePath(folder, layerName), layer) || layer.imagePathName.empty()) continue;
    const QFileInfo picture(QString::fromStdU16String(layer.imagePathName));
    // A picture that is gone also makes the cached preview stale.
    newest = qMax(newest, picture.exists() ? picture.lastModified() : QDateTime::currentDateTime());
  }
  return newest;
}

bool CacheIsCurrent(const QString& cachePath, const QString& sourcePath, const QString& templatesFolder,
                    const QString& templateName) {
  if (cachePath.isEmpty()) return false;
  const QFileInfo cache(cachePath);
  if (!cache.isFile()) return false;
  const QDateTime made = cache.lastModified();
  return made >= QFileInfo(sourcePath).lastModified() && made >= NewestFileIn(templatesFolder) &&
         made >= NewestPictureOf(templatesFolder, templateName);
}

// Writes the PNG whole or not at all, so that a cut-off picture is never read.
bool SaveCachePicture(const QImage& image, const QString& cachePath) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG") && WritePreviewCacheFile(cachePath, bytes);
}

}  // namespace

PreviewPicture RenderPreview(const QString& encoderLibraryFolder, const QString& templatesFolder,
                             const QString& templateName, const QString& sourcePath) {
  const QString cachePath = PreviewCachePath(sourcePath);
  const QString shownPath = QDir::toNativeSeparators(sourcePath);
  if (CacheIsCurrent(cachePath, sourcePath, templatesFolder, templateName)) {
    QImage cached(cachePath);
    // A picture of another template is no preview of this one.
    if (!cached.isNull() && cached.text(kTemplateKey) == templateName && cached.text(kPaintingKey) == kPainting)
      return {cached, {}};
  }
  GrabbedFrame frame = GrabFrame(encoderLibraryFolder, sourcePath, kPreviewFrameSeconds);
  // The frame grab's reason names the source already.
  if (frame.image.isNull()) return {{}, frame.error};

  QImage picture = frame.image.convertToFormat(QImage::Format_RGB32);
  const std::u16string name = templateName.toStdU16String();
  // The layers as they are at the frame's time (the clip's length is not known here).
  const auto frameMs = static_cast<long long>(kPreviewFrameSeconds * 1000);
  if (PaintTemplateOntoImageAt(name.c_str(), &picture, frameMs, 0) == -1)
    return {{}, QStringLiteral("%1 cannot be previewed: the template \"%2\" cannot be read.").arg(shownPath, templateName)};
  // A cache that cannot be written costs only the time of the next preview.
  picture.setText(kTemplateKey, templateName);
  picture.setText(kPaintingKey, kPainting);
  SaveCachePicture(picture, cachePath);
  return {picture, {}};
}

}  // namespace vidmora
