#pragma once

// MpvPlayer: one mpv core that decodes, plays sound, keeps picture and sound
// in sync and seeks; the window draws its pictures through MpvVideoWindow.
//
// Threads: every member runs on the user-interface thread. mpv's wakeup
// callback (any thread) only posts a queued call to HandleEvents, which
// reads mpv's events here and turns them into signals.

#include "player/video_geometry.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

struct mpv_handle;
struct mpv_event;

namespace vidplay {

// mpv's own counters of the current file.
struct PlaybackCounters {
  long long droppedByOutput = 0;   // frame-drop-count
  long long droppedByDecoder = 0;  // decoder-frame-drop-count
  long long delayed = 0;           // vo-delayed-frame-count
};

class MpvPlayer : public QObject {
  Q_OBJECT

 public:
  // Makes and starts an mpv core with the player's options, then applies
  // `extraOptions` ("name=value,name=value", e.g. "ao=null" for tests that
  // must stay silent). Returns null and sets `error` when mpv cannot start
  // or an extra option is refused.
  static std::unique_ptr<MpvPlayer> Create(const QString& clientName, const QString& extraOptions,
                                           QString& error);
  ~MpvPlayer() override;
  MpvPlayer(const MpvPlayer&) = delete;
  MpvPlayer& operator=(const MpvPlayer&) = delete;

  // For the render context; owned by this object.
  mpv_handle* Handle() const { return mpv_.get(); }

  void Load(const QString& path);
  void Stop();
  void SetPaused(bool paused);
  // At the end of the clip, playing starts it again from the beginning.
  void TogglePause();
  // Exact seeks, to the frame asked for.
  void SeekTo(double seconds);
  void SeekBy(double seconds);
  // A fast seek to the nearest key frame, while the seek bar is dragged.
  void SeekToKeyFrame(double seconds);
  void SetVolume(int percent);
  void SetMuted(bool muted);

  double Position() const { return position_; }
  double Duration() const { return duration_; }
  bool Paused() const { return paused_; }
  const VideoFormat& Format() const { return format_; }
  const PlaybackCounters& Counters() const { return counters_; }
  // The last picture of the file was shown (mpv's eof-reached; keep-open holds it).
  bool AtEnd() const { return atEnd_; }

 signals:
  void fileLoaded();  // the file is open and holds a picture
  void formatChanged(const vidplay::VideoFormat& format);
  void positionChanged(double seconds);
  void durationChanged(double seconds);
  void pausedChanged(bool paused);
  void volumeChanged(int percent);
  void mutedChanged(bool muted);
  void failed(const QString& reason);  // the file cannot be played; one line
  void finished();                     // the end of the file was played (with keep-open=no)
  // One of mpv's messages at error level (a picture that does not decode,
  // a device that does not open), as it is also printed on the error output.
  void problemLogged(const QString& line);

 private:
  struct Destroy {
    void operator()(mpv_handle* handle) const;
  };
  explicit MpvPlayer(mpv_handle* handle);
  void HandleEvents();
  void HandleEvent(const mpv_event& event);
  void HandlePropertyChange(const mpv_event& event);
  void Command(std::initializer_list<const char*> words);

  std::unique_ptr<mpv_handle, Destroy> mpv_;
  // Set by the wakeup callback, cleared when the queued call runs, so that a
  // burst of wakeups posts one call.
  std::atomic<bool> eventsPending_{false};

  double position_ = 0;
  double duration_ = 0;
  bool paused_ = false;
  bool atEnd_ = false;
  VideoFormat format_;
  PlaybackCounters counters_;
};

}  // namespace vidplay
