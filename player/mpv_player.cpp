#include "player/mpv_player.h"

#include <mpv/client.h>

#include <QMetaObject>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <vector>

namespace vidplay {
namespace {

// reply_userdata of the observed properties.
enum PropertyId : uint64_t {
  kTimePos = 1,
  kDuration,
  kPause,
  kVolume,
  kMute,
  kVideoParams,
  kFrameDropCount,
  kDecoderFrameDropCount,
  kDelayedFrameCount,
  kEofReached,
};

long long NodeInt(const mpv_node_list& map, const char* key) {
  for (int i = 0; i < map.num; ++i) {
    if (std::strcmp(map.keys[i], key) != 0) continue;
    const mpv_node& value = map.values[i];
    if (value.format == MPV_FORMAT_INT64) return value.u.int64;
    if (value.format == MPV_FORMAT_DOUBLE) return std::llround(value.u.double_);
  }
  return 0;
}

VideoFormat FormatFromNode(const mpv_node& node) {
  VideoFormat format;
  if (node.format != MPV_FORMAT_NODE_MAP || node.u.list == nullptr) return format;
  const mpv_node_list& map = *node.u.list;
  format.width = static_cast<int>(NodeInt(map, "w"));
  format.height = static_cast<int>(NodeInt(map, "h"));
  format.displayWidth = static_cast<int>(NodeInt(map, "dw"));
  format.displayHeight = static_cast<int>(NodeInt(map, "dh"));
  format.rotateDegrees = static_cast<int>(NodeInt(map, "rotate"));
  return format;
}

// The player's own choices: pictures go to the render API, keys and mouse
// belong to the window, and nothing is read from or written to the user's
// mpv configuration (no config files, scripts, resume points).
constexpr const char* kPlayerOptions[][2] = {
    {"vo", "libmpv"},
    {"config", "no"},
    {"load-scripts", "no"},
    {"osc", "no"},
    {"ytdl", "no"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"resume-playback", "no"},
    {"save-position-on-quit", "no"},
    // Hand each picture over when it is due, rather than early with the
    // render call waiting for its time on the window's thread.
    {"video-timing-offset", "0"},
    // Stay on the last picture at the end, so that the watermark can still
    // be looked at.
    {"keep-open", "yes"},
    // Decoding is in software (mpv's default hwdec=no), so the render context
    // loads no hardware interop: probing them prints "Cannot load
    // libcuda.so.1" on every machine without NVIDIA's driver. Who asks for
    // hwdec in VIDPLAY_MPV_OPTIONS adds gpu-hwdec-interop=auto too.
    {"gpu-hwdec-interop", "no"},
};

}  // namespace

void MpvPlayer::Destroy::operator()(mpv_handle* handle) const { mpv_terminate_destroy(handle); }

MpvPlayer::MpvPlayer(mpv_handle* handle) : mpv_(handle) {}

std::unique_ptr<MpvPlayer> MpvPlayer::Create(const QString& clientName, const QString& extraOptions,
                                             QString& error) {
  mpv_handle* handle = mpv_create();
  if (handle == nullptr) {
    error = QStringLiteral("mpv could not be started");
    return nullptr;
  }
  std::unique_ptr<MpvPlayer> player(new MpvPlayer(handle));
  for (const auto& [name, value] : kPlayerOptions) mpv_set_option_string(handle, name, value);
  mpv_set_option_string(handle, "audio-client-name", clientName.toUtf8().constData());
  for (const QString& pair : extraOptions.split(u',', Qt::SkipEmptyParts)) {
    const qsizetype equals = pair.indexOf(u'=');
    const QByteArray name = pair.left(equals).trimmed().toUtf8();
    const QByteArray value = equals < 0 ? QByteArray("yes") : pair.mid(equals + 1).trimmed().toUtf8();
    const int status = mpv_set_option_string(handle, name.constData(), value.constData());
    if (status < 0) {
      error = QStringLiteral("mpv refused the option %1: %2").arg(pair, QString::fromUtf8(mpv_error_string(status)));
      return nullptr;
    }
  }
  if (const int status = mpv_initialize(handle); status < 0) {
    error = QStringLiteral("mpv could not be started: %1").arg(QString::fromUtf8(mpv_error_string(status)));
    return nullptr;
  }
  mpv_request_log_messages(handle, "error");

  mpv_observe_property(handle, kTimePos, "time-pos", MPV_FORMAT_DOUBLE);
  mpv_observe_property(handle, kDuration, "duration", MPV_FORMAT_DOUBLE);
  mpv_observe_property(handle, kPause, "pause", MPV_FORMAT_FLAG);
  mpv_observe_property(handle, kVolume, "volume", MPV_FORMAT_DOUBLE);
  mpv_observe_property(handle, kMute, "mute", MPV_FORMAT_FLAG);
  mpv_observe_property(handle, kVideoParams, "video-params", MPV_FORMAT_NODE);
  mpv_observe_property(handle, kFrameDropCount, "frame-drop-count", MPV_FORMAT_INT64);
  mpv_observe_property(handle, kDecoderFrameDropCount, "decoder-frame-drop-count", MPV_FORMAT_INT64);
  mpv_observe_property(handle, kDelayedFrameCount, "vo-delayed-frame-count", MPV_FORMAT_INT64);
  mpv_observe_property(handle, kEofReached, "eof-reached", MPV_FORMAT_FLAG);

  MpvPlayer* self = player.get();
  mpv_set_wakeup_callback(
      handle,
      [](void* data) {
        auto* target = static_cast<MpvPlayer*>(data);
        if (!target->eventsPending_.exchange(true)) {
          QMetaObject::invokeMethod(target, &MpvPlayer::HandleEvents, Qt::QueuedConnection);
        }
      },
      self);
  return player;
}

MpvPlayer::~MpvPlayer() {
  // After this returns the callback runs no more; calls already posted die
  // with this object.
  mpv_set_wakeup_callback(mpv_.get(), nullptr, nullptr);
}

void MpvPlayer::Command(std::initializer_list<const char*> words) {
  std::vector<const char*> args(words);
  args.push_back(nullptr);
  mpv_command_async(mpv_.get(), 0, args.data());
}

void MpvPlayer::Load(const QString& path) {
  const QByteArray file = path.toUtf8();
  Command({"loadfile", file.constData()});
}

void MpvPlayer::Stop() { Command({"stop"}); }

void MpvPlayer::SetPaused(bool paused) {
  int flag = paused ? 1 : 0;
  mpv_set_property_async(mpv_.get(), 0, "pause", MPV_FORMAT_FLAG, &flag);
}

void MpvPlayer::TogglePause() {
  if (atEnd_ && paused_) {
    SeekTo(0);
    SetPaused(false);
    return;
  }
  Command({"cycle", "pause"});
}

void MpvPlayer::SeekTo(double seconds) {
  const QByteArray target = QByteArray::number(std::max(seconds, 0.0), 'f', 3);
  Command({"seek", target.constData(), "absolute+exact"});
}

void MpvPlayer::SeekBy(double seconds) {
  const QByteArray step = QByteArray::number(seconds, 'f', 3);
  Command({"seek", step.constData(), "relative+exact"});
}

void MpvPlayer::SeekToKeyFrame(double seconds) {
  const QByteArray target = QByteArray::number(std::max(seconds, 0.0), 'f', 3);
  Command({"seek", target.constData(), "absolute+keyframes"});
}

void MpvPlayer::SetVolume(int percent) {
  double volume = std::clamp(percent, 0, 100);
  mpv_set_property_async(mpv_.get(), 0, "volume", MPV_FORMAT_DOUBLE, &volume);
}

void MpvPlayer::SetMuted(bool muted) {
  int flag = muted ? 1 : 0;
  mpv_set_property_async(mpv_.get(), 0, "mute", MPV_FORMAT_FLAG, &flag);
}

void MpvPlayer::HandleEvents() {
  eventsPending_ = false;
  while (mpv_) {
    const mpv_event* event = mpv_wait_event(mpv_.get(), 0);
    if (event->event_id == MPV_EVENT_NONE) break;
    HandleEvent(*event);
  }
}

void MpvPlayer::HandleEvent(const mpv_event& event) {
  switch (event.event_id) {
    case MPV_EVENT_PROPERTY_CHANGE:
      HandlePropertyChange(event);
      break;
    case MPV_EVENT_FILE_LOADED: {
      char* video = mpv_get_property_string(mpv_.get(), "vid");
      const bool hasVideo = video != nullptr && std::strcmp(video, "no") != 0;
      mpv_free(video);
      if (hasVideo) {
        emit fileLoaded();
      } else {
        emit failed(QStringLiteral("the file holds no video"));
      }
      break;
    }
    case MPV_EVENT_END_FILE: {
      const auto* ended = static_cast<const mpv_event_end_file*>(event.data);
      if (ended->reason == MPV_END_FILE_REASON_ERROR) {
        emit failed(QString::fromUtf8(mpv_error_string(ended->error)));
      } else if (ended->reason == MPV_END_FILE_REASON_EOF) {
        emit finished();
      }
      break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
      const auto* message = static_cast<const mpv_event_log_message*>(event.data);
      std::fprintf(stderr, "vidplay: mpv %s: %s", message->prefix, message->text);
      emit problemLogged(QString::fromUtf8(message->prefix) + QStringLiteral(": ") +
                         QString::fromUtf8(message->text).trimmed());
      break;
    }
    default:
      break;
  }
}

void MpvPlayer::HandlePropertyChange(const mpv_event& event) {
  const auto* property = static_cast<const mpv_event_property*>(event.data);
  const bool available = property->format != MPV_FORMAT_NONE && property->data != nullptr;
  const auto asDouble = [&] { return available ? *static_cast<const double*>(property->data) : 0.0; };
  const auto asFlag = [&] { return available && *static_cast<const int*>(property->data) != 0; };
  const auto asInt = [&] { return available ? static_cast<long long>(*static_cast<const int64_t*>(property->data)) : 0LL; };
  switch (event.reply_userdata) {
    case kTimePos:
      if (!available) break;  // between files and while seeking: keep the last position
      position_ = asDouble();
      emit positionChanged(position_);
      break;
    case kDuration:
      duration_ = asDouble();
      emit durationChanged(duration_);
      break;
    case kPause:
      paused_ = asFlag();
      emit pausedChanged(paused_);
      break;
    case kVolume:
      emit volumeChanged(static_cast<int>(std::lround(asDouble())));
      break;
    case kMute:
      emit mutedChanged(asFlag());
      break;
    case kVideoParams: {
      const VideoFormat format = available ? FormatFromNode(*static_cast<const mpv_node*>(property->data)) : VideoFormat{};
      if (format != format_) {
        format_ = format;
        emit formatChanged(format_);
      }
      break;
    }
    // The counters restart with each file; keep the last values seen, so
    // that they can be reported after the file has ended.
    case kFrameDropCount:
      if (available) counters_.droppedByOutput = asInt();
      break;
    case kDecoderFrameDropCount:
      if (available) counters_.droppedByDecoder = asInt();
      break;
    case kDelayedFrameCount:
      if (available) counters_.delayed = asInt();
      break;
    case kEofReached:
      atEnd_ = asFlag();
      break;
    default:
      break;
  }
}

}  // namespace vidplay
