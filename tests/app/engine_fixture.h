#pragma once

// A clean home with the data folder of a first start (preferences, demo
// template) and the drawing library pointed at it; helpers to make sources.

#include "app/processing/batch.h"
#include "app/processing/message_sink.h"
#include "app/processing/transcode_job.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

namespace vidmora::test {

// Collects the messages the engine shows the user.
class RecordingSink : public MessageSink {
 public:
  void ShowMessage(const QString& text, const QString&, MessageIcon) override {
    std::lock_guard lock(mutex_);
    messages_ << text;
  }
  QStringList Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }

 private:
  mutable std::mutex mutex_;
  QStringList messages_;
};

// A job's listener that only lets the job go on.
class QuietListener : public JobListener {
 public:
  void OutputPathChosen(const QString&) override {}
  void EncodeStarted() override {}
  bool EncodeProgressed(const EncodeProgress&) override { return true; }
};

// A path the engine gave as text.
inline std::filesystem::path Fs(const QString& path) { return std::filesystem::path(path.toStdString()); }

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Checks that every source made with MakeSource is unchanged.
  void TearDown() override;

  // A copy of a small sample clip (320 x 240, 1 s, H.264/AAC in MP4 unless
  // `spec` says otherwise) under the test's folder, named `name`.
  QString MakeSource(const QString& name, const ClipSpec& spec = SmallClip());
  static ClipSpec SmallClip();
  // Job settings as a first start has them, but writing beside the source
  // with the given name options.
  JobSettings Settings(int nameOpts = 1, const QString& suffix = "_new") const;
  QString ProgramFolder() const;

  TempEnv env_;
  std::filesystem::path sources_;
  RecordingSink sink_;
  std::map<std::filesystem::path, QByteArray> sourceChecksums_;
};

// The bounding box of the pixels that differ from `background` by more than
// `tolerance` in some channel: where something was painted on a plain picture.
QRect MarkedArea(const QImage& image, QColor background, int tolerance = 48);

}  // namespace vidmora::test
