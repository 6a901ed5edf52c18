#include "tests/cli/held_picture.h"

#include "shared/template/template_files.h"
#include "tests/draw/template_fixture.h"
#include "tests/support/temp_env.h"

#include <QColor>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vidmora::test {

namespace {

// What a pipe holds without a reader (Linux's smallest default is 64 KiB).
constexpr size_t kPipeBytes = 60'000;

std::runtime_error SystemError(const std::string& what) {
  return std::runtime_error(what + ": " + std::generic_category().message(errno));
}

}  // namespace

HeldPicture::HeldPicture(std::filesystem::path path) : path_(std::move(path)) {
  if (mkfifo(path_.c_str(), 0600) != 0) throw SystemError("mkfifo " + path_.string());
  // Open for reading too: opening never waits, and a reader's open does not
  // either; its reads wait for bytes, and end when this descriptor closes.
  pipeFd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
  if (pipeFd_ < 0) throw SystemError("open " + path_.string());
}

HeldPicture::~HeldPicture() {
  if (pipeFd_ >= 0) close(pipeFd_);
}

void HeldPicture::Release(const QImage& picture) {
  if (pipeFd_ < 0) return;
  const std::filesystem::path plain = path_.string() + ".plain.png";
  if (!picture.save(QString::fromStdString(plain.string()), "PNG"))
    throw std::runtime_error("cannot write " + plain.string());
  const std::string bytes = ReadFile(plain);
  if (bytes.empty() || bytes.size() > kPipeBytes) throw std::runtime_error("the held picture must be small");
  std::filesystem::rename(plain, path_);  // from now on the path opens the plain file

  for (size_t written = 0; written < bytes.size();) {
    const ssize_t n = write(pipeFd_, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw SystemError("write to " + path_.string());
    written += static_cast<size_t>(n);
  }
  close(pipeFd_);
  pipeFd_ = -1;
}

void WritePictureTemplate(const std::filesystem::path& templatesFolder, std::u16string_view name,
                          const std::filesystem::path& picturePath) {
  vidmora::EditedLayer layer = glyphra::test::NewLayer();
  layer.imagePathName = picturePath.u16string();
  layer.imageLocation = 0;  // top left
  layer.imageOffsetH = layer.imageOffsetV = layer.imageRotation = 0;
  layer.imageTransparency = 100;
  layer.imageWidth = layer.imageHeight = 0;  // the picture's own size
  layer.scaleImage = 0;
  const std::u16string templateName(name);
  glyphra::test::WriteTemplate(templatesFolder, templateName, {{templateName + u" logo", layer}});
  // Only templates of the list can be chosen.
  if (!AppendToNameList(IndexFilePath(templatesFolder.u16string()), kTemplateIndex, templateName)) {
    throw std::runtime_error("cannot list the template in " + templatesFolder.string());
  }
}

QImage BlueLogo() {
  QImage logo(32, 32, QImage::Format_RGB32);
  logo.fill(QColor(0, 0, 255));
  return logo;
}

}  // namespace vidmora::test
