#pragma once

#include <QImage>

#include <filesystem>
#include <string_view>

namespace vidmora::test {

// A picture file that no one can read until the test releases it: a named
// pipe that the test keeps open, so a reader waits for its bytes. A program
// that paints the picture into every frame is thereby held at its first frame,
// however fast the machine.
//
// Release() first puts a plain picture file in the pipe's place, then hands a
// reader already waiting the same bytes: every read, before or after, gets
// the picture.
class HeldPicture {
 public:
  // Makes the pipe at `path`. Throws when it cannot.
  explicit HeldPicture(std::filesystem::path path);
  // A reader still waiting then reads an empty file.
  ~HeldPicture();
  HeldPicture(const HeldPicture&) = delete;
  HeldPicture& operator=(const HeldPicture&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Throws when the picture cannot be written; small pictures only (they must
  // fit in the pipe's buffer when no reader has come yet).
  void Release(const QImage& picture);

 private:
  std::filesystem::path path_;
  int pipeFd_ = -1;
};

// Writes the template `name` into `templatesFolder` and lists it in the
// index: one layer that paints the picture at `picturePath` at its own size
// in the top-left corner, so that painting a frame reads the picture.
void WritePictureTemplate(const std::filesystem::path& templatesFolder, std::u16string_view name,
                          const std::filesystem::path& picturePath);

// A 32 x 32 blue picture, what tests hand to a held picture.
QImage BlueLogo();

}  // namespace vidmora::test
