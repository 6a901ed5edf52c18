#include "player/mpv_video_window.h"

#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>

namespace vidplay {
namespace {

void* GetProcAddress(void*, const char* name) {
  QOpenGLContext* context = QOpenGLContext::currentContext();
  return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

}  // namespace

MpvVideoWindow::MpvVideoWindow(mpv_handle* mpv) : QOpenGLWindow(NoPartialUpdate), mpv_(mpv) {}

MpvVideoWindow::~MpvVideoWindow() { ReleaseRenderer(); }

void MpvVideoWindow::ReleaseRenderer() {
  if (renderer_ == nullptr) return;
  makeCurrent();
  mpv_render_context_free(renderer_);
  renderer_ = nullptr;
  doneCurrent();
}

void MpvVideoWindow::initializeGL() {
  if (renderer_ != nullptr) return;
  mpv_opengl_init_params glInit{&GetProcAddress, nullptr};
  char apiType[] = MPV_RENDER_API_TYPE_OPENGL;
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_API_TYPE, apiType},
      {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  if (const int status = mpv_render_context_create(&renderer_, mpv_, params); status < 0) {
    renderer_ = nullptr;
    emit rendererFailed(QStringLiteral("mpv cannot draw into OpenGL here: %1")
                            .arg(QString::fromUtf8(mpv_error_string(status))));
    return;
  }
  mpv_render_context_set_update_callback(
      renderer_,
      [](void* data) {
        auto* target = static_cast<MpvVideoWindow*>(data);
        if (!target->updatePending_.exchange(true)) {
          QMetaObject::invokeMethod(target, &MpvVideoWindow::TakeUpdate, Qt::QueuedConnection);
        }
      },
      this);
  // Tells mpv when a picture has reached the screen, for its timing.
  connect(this, &QOpenGLWindow::frameSwapped, this, [this] {
    if (renderer_ != nullptr) mpv_render_context_report_swap(renderer_);
  });
  emit rendererReady();
}

void MpvVideoWindow::TakeUpdate() {
  updatePending_ = false;
  if (renderer_ == nullptr) return;
  mpv_render_context_update(renderer_);
  // Drawn even without MPV_RENDER_UPDATE_FRAME: a picture that waited too
  // long for this thread (a busy machine) becomes mpv's current one without
  // that flag, and after a seek while paused it is the only one to come.
  // Callbacks without a new picture are rare (about one per clip).
  update();
}

void MpvVideoWindow::paintGL() {
  if (renderer_ == nullptr) {
    // Nothing of mpv to show: black, as the bars around the picture.
    QOpenGLFunctions* gl = context()->functions();
    gl->glClearColor(0, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    return;
  }
  // The window's own surface: everything is drawn again each time (an
  // exposed window shows mpv's last picture once more).
  const qreal ratio = devicePixelRatio();
  mpv_opengl_fbo target{static_cast<int>(defaultFramebufferObject()), static_cast<int>(width() * ratio),
                        static_cast<int>(height() * ratio), 0};
  int flipY = 1;
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_OPENGL_FBO, &target},
      {MPV_RENDER_PARAM_FLIP_Y, &flipY},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  mpv_render_context_render(renderer_, params);
  DrawOverlay();
}

void MpvVideoWindow::DrawOverlay() {
  if (!overlay_ || overlay_->picture.isNull() || !format_.IsValid()) return;
  const QRectF picture = PictureRect();
  if (picture.isEmpty()) return;
  // The overlay was painted for the upright frame; the frame fills the
  // picture rectangle, so one scale maps frame pixels to window points.
  const QSize frame = overlay_->frameSize;
  const qreal scaleX = picture.width() / frame.width();
  const qreal scaleY = picture.height() / frame.height();
  const QRectF region = overlay_->frameRegion;
  const QRectF target(picture.left() + region.left() * scaleX, picture.top() + region.top() * scaleY,
                      region.width() * scaleX, region.height() * scaleY);
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, overlay_->picture);
}

QRectF MpvVideoWindow::PictureRect() const {
  const qreal ratio = devicePixelRatio();
  const QRect pixels = VideoRectangle(format_, QSize(static_cast<int>(width() * ratio), static_cast<int>(height() * ratio)));
  if (pixels.isEmpty()) return {};
  return QRectF(pixels.x() / ratio, pixels.y() / ratio, pixels.width() / ratio, pixels.height() / ratio);
}

void MpvVideoWindow::SetFormat(const VideoFormat& format) {
  format_ = format;
  update();
}

void MpvVideoWindow::SetOverlay(std::optional<WatermarkOverlay> overlay) {
  overlay_ = std::move(overlay);
  update();
}

void MpvVideoWindow::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
  QOpenGLWindow::mouseDoubleClickEvent(event);
}

}  // namespace vidplay
