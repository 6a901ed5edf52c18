#include "player/player_window.h"

#include "player/mpv_video_window.h"
#include "player/playback_time.h"
#include "player/video_geometry.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>

namespace vidplay {
namespace {

constexpr double kStepSeconds = 5;
constexpr int kVolumeStep = 5;
constexpr QSize kDefaultVideoArea(640, 360);

QToolButton* MakeButton(const char* name, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);  // keys belong to the window's shortcuts
  return button;
}

}  // namespace

PlayerWindow::PlayerWindow(PlayerArguments arguments, QString mpvOptions, QWidget* parent)
    : QWidget(parent), arguments_(std::move(arguments)), mpvOptions_(std::move(mpvOptions)) {
  const QString clipName = QFileInfo(arguments_.filePath).fileName();
  setWindowTitle(QStringLiteral("%1 — %2 — %3").arg(clipName, arguments_.templateName, arguments_.applicationName));
  BuildControls();
  BindKeys();
  SizeVideoArea(arguments_.frameSize.isEmpty() ? kDefaultVideoArea : arguments_.frameSize);
}

PlayerWindow::~PlayerWindow() {
  // mpv needs its render context gone before the core goes.
  if (video_ != nullptr) video_->ReleaseRenderer();
}

void PlayerWindow::BuildControls() {
  stack_ = new QStackedWidget(this);
  stack_->setObjectName(QStringLiteral("video_stack"));
  message_ = new QLabel(stack_);
  message_->setObjectName(QStringLiteral("message_label"));
  message_->setAlignment(Qt::AlignCenter);
  message_->setWordWrap(true);
  message_->setMargin(24);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  stack_->addWidget(message_);

  controls_ = new QWidget(this);
  auto* row = new QHBoxLayout(controls_);
  row->setContentsMargins(6, 2, 6, 4);
  playButton_ = MakeButton("play_btn", controls_);
  timeLabel_ = new QLabel(PlaybackTimeText(0), controls_);
  timeLabel_->setObjectName(QStringLiteral("time_label"));
  seekSlider_ = new QSlider(Qt::Horizontal, controls_);
  seekSlider_->setObjectName(QStringLiteral("seek_slider"));
  seekSlider_->setFocusPolicy(Qt::NoFocus);
  seekSlider_->setRange(0, 0);
  durationLabel_ = new QLabel(PlaybackTimeText(0), controls_);
  durationLabel_->setObjectName(QStringLiteral("duration_label"));
  muteButton_ = MakeButton("mute_btn", controls_);
  muteButton_->setCheckable(true);
  volumeSlider_ = new QSlider(Qt::Horizontal, controls_);
  volumeSlider_->setObjectName(QStringLiteral("volume_slider"));
  volumeSlider_->setFocusPolicy(Qt::NoFocus);
  volumeSlider_->setRange(0, 100);
  volumeSlider_->setValue(100);
  volumeSlider_->setMaximumWidth(100);
  volumeSlider_->setToolTip(tr("Volume (Up, Down)"));
  fullScreenButton_ = MakeButton("fullscreen_btn", controls_);
  fullScreenButton_->setIcon(style()->standardIcon(QStyle::SP_TitleBarMaxButton));
  fullScreenButton_->setToolTip(tr("Full screen (F, double-click; Esc to leave)"));
  row->addWidget(playButton_);
  row->addWidget(timeLabel_);
  row->addWidget(seekSlider_, 1);
  row->addWidget(durationLabel_);
  row->addSpacing(8);
  row->addWidget(muteButton_);
  row->addWidget(volumeSlider_);
  row->addWidget(fullScreenButton_);
  ShowPaused(false);
  ShowMuted(false);
  controls_->setEnabled(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(stack_, 1);
  layout->addWidget(controls_);
  setStyleSheet(QStringLiteral("QStackedWidget, QLabel#message_label { background: black; color: white; }"));

  connect(fullScreenButton_, &QToolButton::clicked, this, &PlayerWindow::ToggleFullScreen);
}

void PlayerWindow::BindKeys() {
  const auto bind = [this](const QKeySequence& key, auto action) {
    auto* shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  bind(QKeySequence(Qt::Key_Space), [this] {
    if (player_ && !failed_) player_->TogglePause();
  });
  bind(QKeySequence(Qt::Key_Left), [this] {
    if (player_ && !failed_) player_->SeekBy(-kStepSeconds);
  });
  bind(QKeySequence(Qt::Key_Right), [this] {
    if (player_ && !failed_) player_->SeekBy(kStepSeconds);
  });
  bind(QKeySequence(Qt::Key_Up), [this] { volumeSlider_->setValue(volumeSlider_->value() + kVolumeStep); });
  bind(QKeySequence(Qt::Key_Down), [this] { volumeSlider_->setValue(volumeSlider_->value() - kVolumeStep); });
  bind(QKeySequence(Qt::Key_M), [this] { muteButton_->click(); });
  bind(QKeySequence(Qt::Key_F), [this] { ToggleFullScreen(); });
  bind(QKeySequence(Qt::Key_Escape), [this] {
    if (isFullScreen()) ToggleFullScreen();
  });
}

bool PlayerWindow::Start() {
  UseTemplatesOf(arguments_.applicationName);
  // The real frame size comes from mpv; this only proves the template loads,
  // on a small frame whatever size the command line gives.
  if (!PaintWatermark(arguments_.templateName, QSize(16, 16))) {
    Fail(tr("The watermark template \"%1\" is missing or cannot be read.").arg(arguments_.templateName));
    return false;
  }
  if (!QFileInfo(arguments_.filePath).isFile()) {
    Fail(tr("Cannot play \"%1\": there is no such file.").arg(arguments_.filePath));
    return false;
  }
  QString error;
  player_ = MpvPlayer::Create(arguments_.applicationName, mpvOptions_, error);
  if (!player_) {
    Fail(tr("Cannot play \"%1\": %2.").arg(QFileInfo(arguments_.filePath).fileName(), error));
    return false;
  }
  video_ = new MpvVideoWindow(player_->Handle());
  QWidget* view = QWidget::createWindowContainer(video_, stack_);
  view->setObjectName(QStringLiteral("video_view"));
  view->setMinimumSize(160, 90);
  stack_->addWidget(view);
  stack_->setCurrentWidget(view);
  ConnectPlayer();
  // mpv refuses a file while nothing can show its pictures.
  connect(
      video_, &MpvVideoWindow::rendererReady, this,
      [this] {
        if (!failed_) player_->Load(arguments_.filePath);
      },
      Qt::SingleShotConnection);
  return true;
}

void PlayerWindow::ConnectPlayer() {
  MpvPlayer* player = player_.get();
  connect(video_, &MpvVideoWindow::doubleClicked, this, &PlayerWindow::ToggleFullScreen);
  connect(video_, &MpvVideoWindow::rendererFailed, this, &PlayerWindow::Fail);
  connect(player, &MpvPlayer::failed, this, [this](const QString& reason) {
    Fail(tr("Cannot play \"%1\": %2.").arg(QFileInfo(arguments_.filePath).fileName(), reason));
  });
  connect(player, &MpvPlayer::fileLoaded, this, [this] {
    if (!failed_) controls_->setEnabled(true);
  });
  connect(player, &MpvPlayer::formatChanged, this, &PlayerWindow::ApplyFormat);
  connect(player, &MpvPlayer::positionChanged, this, &PlayerWindow::ShowPosition);
  connect(player, &MpvPlayer::durationChanged, this, &PlayerWindow::ShowDuration);
  connect(player, &MpvPlayer::pausedChanged, this, &PlayerWindow::ShowPaused);
  connect(player, &MpvPlayer::mutedChanged, this, &PlayerWindow::ShowMuted);
  connect(player, &MpvPlayer::volumeChanged, this, [this](int percent) {
    updatingControls_ = true;
    volumeSlider_->setValue(percent);
    updatingControls_ = false;
  });
  connect(player, &MpvPlayer::finished, this, &QWidget::close);

  connect(playButton_, &QToolButton::clicked, player, &MpvPlayer::TogglePause);
  connect(muteButton_, &QToolButton::toggled, player, &MpvPlayer::SetMuted);
  connect(volumeSlider_, &QSlider::valueChanged, this, [this](int percent) {
    if (!updatingControls_) player_->SetVolume(percent);
  });
  // Dragging shows key frames as the handle moves; the release and clicks on
  // the bar go to the exact time.
  connect(seekSlider_, &QSlider::valueChanged, this, [this](int milliseconds) {
    if (updatingControls_) return;
    if (seekSlider_->isSliderDown()) {
      player_->SeekToKeyFrame(milliseconds / 1000.0);
    } else {
      player_->SeekTo(milliseconds / 1000.0);
    }
  });
  connect(seekSlider_, &QSlider::sliderReleased, this, [this] { player_->SeekTo(seekSlider_->value() / 1000.0); });
}

void PlayerWindow::ApplyFormat(const VideoFormat& format) {
  if (failed_ || !format.IsValid()) return;
  video_->SetFormat(format);
  // The watermark is painted for the frame the batch paints on: the decoded
  // frame turned upright, as mpv reports it. The size on the command line is
  // the caller's probe and may be 0 x 0 or the stored size of a turned clip.
  const QSize frame = PaintedFrameSize(format);
  if (!IsPaintable(frame)) {
    Fail(tr("Cannot play \"%1\": its frame of %2 x %3 pixels is larger than the player can paint a watermark for "
            "(%4 pixels a side, %5 x %6 in all).")
             .arg(QFileInfo(arguments_.filePath).fileName(), QString::number(frame.width()),
                  QString::number(frame.height()), QString::number(kLargestPaintedSide), QString::number(8192),
                  QString::number(kLargestPaintedPixels / 8192)));
    return;
  }
  if (!overlay_ || overlay_->frameSize != frame) {
    if (!arguments_.frameSize.isEmpty() && arguments_.frameSize != frame) {
      std::fprintf(stderr, "vidplay: the clip's frame is %dx%d (given %dx%d); the watermark is painted for %dx%d\n",
                   frame.width(), frame.height(), arguments_.frameSize.width(), arguments_.frameSize.height(),
                   frame.width(), frame.height());
    }
    overlay_ = PaintWatermark(arguments_.templateName, frame);
    if (!overlay_) {
      Fail(tr("The watermark template \"%1\" is missing or cannot be read.").arg(arguments_.templateName));
      return;
    }
    video_->SetOverlay(overlay_);
  }
  if (!sizedForClip_) {
    sizedForClip_ = true;
    const QSize shown = DisplayedSize(format);
    if (shown != arguments_.frameSize && !isFullScreen()) SizeVideoArea(shown);
  }
}

void PlayerWindow::SizeVideoArea(QSize frame) {
  if (frame.isEmpty()) return;
  QSize area = frame;
  if (const QScreen* screen = this->screen()) {
    const QSize room = screen->availableGeometry().size() * 0.8;
    if (area.width() > room.width() || area.height() > room.height()) area.scale(room, Qt::KeepAspectRatio);
  }
  area = area.expandedTo(QSize(320, 180));
  resize(area.width(), area.height() + controls_->sizeHint().height());
}

void PlayerWindow::ShowPosition(double seconds) {
  timeLabel_->setText(PlaybackTimeText(seconds));
  if (overlay_ && overlay_->timed) {
    // The watermark as it is on this frame: shown, faded or moved by time.
    if (auto now = WatermarkAt(overlay_->frameSize, seconds, player_->Duration())) {
      overlay_ = std::move(now);
      video_->SetOverlay(overlay_);
    }
  }
  if (seekSlider_->isSliderDown()) return;
  updatingControls_ = true;
  seekSlider_->setValue(static_cast<int>(std::lround(seconds * 1000)));
  updatingControls_ = false;
}

void PlayerWindow::ShowDuration(double seconds) {
  durationLabel_->setText(PlaybackTimeText(seconds));
  updatingControls_ = true;
  seekSlider_->setRange(0, static_cast<int>(std::lround(std::max(seconds, 0.0) * 1000)));
  seekSlider_->setPageStep(static_cast<int>(kStepSeconds * 1000));
  updatingControls_ = false;
}

void PlayerWindow::ShowPaused(bool paused) {
  playButton_->setIcon(style()->standardIcon(paused ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
  playButton_->setToolTip(paused ? tr("Play (Space)") : tr("Pause (Space)"));
}

void PlayerWindow::ShowMuted(bool muted) {
  const QSignalBlocker quiet(muteButton_);
  muteButton_->setChecked(muted);
  muteButton_->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
  muteButton_->setToolTip(muted ? tr("Sound on (M)") : tr("Mute (M)"));
}

void PlayerWindow::ToggleFullScreen() {
  if (isFullScreen()) {
    showNormal();
  } else {
    showFullScreen();
  }
}

void PlayerWindow::Fail(const QString& message) {
  if (failed_) return;
  failed_ = true;
  if (player_) player_->Stop();
  message_->setText(message);
  stack_->setCurrentWidget(message_);
  controls_->setEnabled(false);
  std::fprintf(stderr, "vidplay: %s\n", message.toLocal8Bit().constData());
  emit failed(message);
}

QString PlayerWindow::Message() const { return failed_ ? message_->text() : QString(); }

}  // namespace vidplay
