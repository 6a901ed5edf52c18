#pragma once

// The output file. Nothing is ever half-written under the final name: the
// muxer writes into a hidden temporary file in the output's folder, which is
// synced to disk and renamed over the final name only when complete; on
// failure or abort the temporary file is removed.
//
// One thread uses an object; the FFmpeg I/O context it hands out writes
// through plain write(2) calls so that a full disk or an I/O error is seen and
// named.

#include <cstdint>
#include <string>

extern "C" {
#include <libavformat/avio.h>
}

namespace vencor {

// Throws TranscodeError: VENCOR_ERROR_SAME_FILE when `outputPath` names the
// source itself (same device and inode, whichever spelling or link leads
// there), VENCOR_ERROR_OUTPUT when it names a folder.
void RefuseOutputOverSource(const std::string& outputPath, const std::string& sourcePath);

class OutputFile {
 public:
  // Creates the temporary file ".<name>.<random>.part" beside `finalPath`
  // (mode 0666 less the umask) and locks it (flock) while it is written.
  // First removes the unlocked temporaries of that folder: those of runs that
  // were killed. Throws VENCOR_ERROR_OUTPUT when the folder is
  // missing or cannot be written.
  explicit OutputFile(std::string finalPath);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // The I/O context for the muxer; owned by this object.
  AVIOContext* Io() const { return io_; }

  // Flushes, syncs and renames the file to the final path. Throws
  // VENCOR_ERROR_OUTPUT on any failure; the temporary file is then removed by
  // the destructor.
  void Commit();

  // The first write error (an errno value), 0 when none.
  int WriteError() const { return writeErrno_; }
  const std::string& TemporaryPath() const { return tempPath_; }

 private:
  static int WritePacket(void* opaque, uint8_t* data, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);
  [[noreturn]] void FailWrite(const std::string& what, int error) const;

  std::string finalPath_;
  std::string folder_;
  std::string tempPath_;
  int fd_ = -1;
  int writeErrno_ = 0;
  AVIOContext* io_ = nullptr;
  bool committed_ = false;
};

// Text for an errno value, e.g. "No space left on device".
std::string SystemErrorText(int error);

}  // namespace vencor
