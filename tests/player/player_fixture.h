#pragma once

// A clean home with watermark templates, and the player's window driven in
// this process on a real X server.

#include "player/player_window.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <QColor>
#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace vidplay::test {

class PlayerTest : public ::testing::Test {
 protected:
  // Writes template `name`: one layer with red text ("WM", 40 pixels high)
  // at the bottom right of the frame, 10 pixels from both edges; shown from
  // startTime (milliseconds) on, until endTime (0: the end).
  void WriteRedCornerTemplate(const std::u16string& name, int startTime = 0, int endTime = 0);
  std::filesystem::path Templates() const { return env_.DataHome() / "Vidmora" / "templates"; }

  // A shown player window on `clip` with mpv silent, its picture area
  // `videoArea` (logical pixels), started.
  std::unique_ptr<PlayerWindow> OpenPlayer(const std::filesystem::path& clip, const QString& templateName,
                                           QSize frameSize, QSize videoArea = QSize(480, 360));
  // Waits until the player has passed `seconds`, then pauses it there.
  // False on time-out.
  static bool PlayUntilThenPause(PlayerWindow& window, double seconds);
  // The picture as drawn: mpv's frame with the watermark.
  static QImage Grab(PlayerWindow& window);
  // Saves `picture` as <test output folder>/<name>.png for people to look at.
  static void SaveForReview(const QImage& picture, const std::string& name);

  vidmora::test::TempEnv env_;
};

// The bounding box of the pixels of `picture` for which `keep` holds.
QRect PixelsWhere(const QImage& picture, const std::function<bool(QRgb)>& keep);
bool IsRed(QRgb pixel);
// Mean difference per channel (0 to 255) between two pictures of one size.
double MeanDifference(const QImage& a, const QImage& b);

}  // namespace vidplay::test
