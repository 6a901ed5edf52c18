#pragma once

// MpvVideoWindow: shows the pictures of an MpvPlayer through mpv's render
// API and draws the watermark over each one, scaled to the rectangle that
// the picture fills.
//
// A window of its own (put in the player's layout with
// QWidget::createWindowContainer) rather than an OpenGL widget: mpv draws
// straight into the window's surface, and the controls beside it stay plain
// raster widgets. An OpenGL widget would make Qt compose the whole top-level
// window with OpenGL on every frame, which with software OpenGL costs as
// much again as drawing the picture.
//
// The render context needs the window's OpenGL context, which Qt makes when
// the window is first exposed; rendererReady() tells when that happened.
//
// User-interface thread only. mpv's update callback (any thread) only posts
// a queued call that tells mpv the callback was seen and redraws. The render
// context lives from the first initializeGL to ReleaseRenderer(), which must
// run before the player is destroyed.

#include "player/video_geometry.h"
#include "player/watermark_overlay.h"

#include <QOpenGLWindow>

#include <atomic>
#include <optional>

struct mpv_handle;
struct mpv_render_context;

namespace vidplay {

class MpvVideoWindow : public QOpenGLWindow {
  Q_OBJECT

 public:
  // `mpv` is not owned and must outlive the renderer.
  explicit MpvVideoWindow(mpv_handle* mpv);
  ~MpvVideoWindow() override;

  // Frees the render context (with this window's GL context current).
  void ReleaseRenderer();

  void SetFormat(const VideoFormat& format);
  void SetOverlay(std::optional<WatermarkOverlay> overlay);

  // Where the picture is drawn, in this window's coordinates.
  QRectF PictureRect() const;

 signals:
  void doubleClicked();
  // The render context is there: mpv can now open its video output, so a
  // file may be loaded (mpv fails a file loaded before this).
  void rendererReady();
  // The render API could not be set up; one line.
  void rendererFailed(const QString& reason);

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void TakeUpdate();
  void DrawOverlay();

  mpv_handle* mpv_;
  mpv_render_context* renderer_ = nullptr;
  // Set by the update callback, cleared when the queued call runs, so that
  // a burst of callbacks posts one call.
  std::atomic<bool> updatePending_{false};
  VideoFormat format_;
  std::optional<WatermarkOverlay> overlay_;
};

}  // namespace vidplay
