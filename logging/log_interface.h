#pragma once

// liblorvane.so: the program's log. One instance per name; each writes
// timestamped lines to <data folder of the application `name`>/log/<name>.log
// (the data folder as GetAppDataPath gives it), in rotating files.
//
//   CLogInterface::GetInstance(u"Vidmora")->DoLogMessage(u"clip.mp4");
//
// Every function may be called from any thread at any time; lines of
// concurrent callers never mix. Instances live until the process ends, so a
// pointer from GetInstance stays valid. Logging never throws and never ends
// the program: when the log file cannot be opened, lines go to standard error.

#include "shared/export.h"

#include <memory>
#include <string>

class VIDMORA_EXPORT CLogInterface {
 public:
  // The instance of `name`, made on first use. Never null.
  static CLogInterface* GetInstance(const std::u16string& name);

  // Appends `text` as one line, with the date and time in front.
  void DoLogMessage(const std::u16string& text);

  CLogInterface(const CLogInterface&) = delete;
  CLogInterface& operator=(const CLogInterface&) = delete;

 private:
  explicit CLogInterface(const std::u16string& name);
  ~CLogInterface();

  struct Sink;
  std::unique_ptr<Sink> sink_;
};
