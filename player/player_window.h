#pragma once

// PlayerWindow: the player's window. Plays one clip with mpv and draws the
// watermark template over it where the batch would paint it, with play and
// pause, a seek bar with time and duration, volume and mute, and full screen.
//
// Keys: Space play/pause, Left/Right step 5 s, Up/Down volume, M mute,
// F full screen, Esc leave full screen; a double-click on the picture
// toggles full screen.
//
// A clip that cannot be played, a missing template or one that cannot be
// read shows a message in the window instead of the picture, and ExitStatus()
// becomes 1. Nothing is written anywhere.
//
// User-interface thread only.

#include "player/mpv_player.h"
#include "player/player_arguments.h"
#include "player/watermark_overlay.h"

#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QSlider;
class QStackedWidget;
class QToolButton;

namespace vidplay {

class MpvVideoWindow;

class PlayerWindow : public QWidget {
  Q_OBJECT

 public:
  // `mpvOptions`: extra mpv options, "name=value,..." (see MpvPlayer).
  explicit PlayerWindow(PlayerArguments arguments, QString mpvOptions = {}, QWidget* parent = nullptr);
  ~PlayerWindow() override;

  // Checks the template and starts playing as soon as the picture area is
  // on the screen. False (with the message shown) when playing cannot start.
  bool Start();

  // 0 while all is well, 1 once a message has replaced the picture.
  int ExitStatus() const { return failed_ ? 1 : 0; }
  QString Message() const;

  // Null until Start() made them.
  MpvPlayer* Player() const { return player_.get(); }
  MpvVideoWindow* Video() const { return video_; }

  void ToggleFullScreen();

 signals:
  void failed(const QString& message);

 private:
  void BuildControls();
  void BindKeys();
  void ConnectPlayer();
  void Fail(const QString& message);
  void ApplyFormat(const VideoFormat& format);
  void ShowPosition(double seconds);
  void ShowDuration(double seconds);
  void ShowPaused(bool paused);
  void ShowMuted(bool muted);
  void SizeVideoArea(QSize frame);

  PlayerArguments arguments_;
  QString mpvOptions_;
  std::unique_ptr<MpvPlayer> player_;
  std::optional<WatermarkOverlay> overlay_;
  bool failed_ = false;
  bool sizedForClip_ = false;
  bool updatingControls_ = false;  // controls follow the player; no seek back

  QStackedWidget* stack_ = nullptr;
  MpvVideoWindow* video_ = nullptr;
  QLabel* message_ = nullptr;
  QWidget* controls_ = nullptr;
  QToolButton* playButton_ = nullptr;
  QLabel* timeLabel_ = nullptr;
  QSlider* seekSlider_ = nullptr;
  QLabel* durationLabel_ = nullptr;
  QToolButton* muteButton_ = nullptr;
  QSlider* volumeSlider_ = nullptr;
  QToolButton* fullScreenButton_ = nullptr;
};

}  // namespace vidplay
