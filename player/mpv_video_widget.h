#pragma once

// MpvVideoWidget: shows the pictures of an MpvPlayer through mpv's render
// API and draws the watermark over each one, scaled to the rectangle that
// the picture fills.
//
// User-interface thread only. mpv's update callback (any thread) only posts
// a queued repaint. The render context lives from the first initializeGL to
// ReleaseRenderer(), which must run before the player is destroyed.

#include "player/video_geometry.h"
#include "player/watermark_overlay.h"

#include <QOpenGLWidget>

#include <optional>

struct mpv_handle;
struct mpv_render_context;

namespace vidplay {

class MpvVideoWidget : public QOpenGLWidget {
  Q_OBJECT

 public:
  // `mpv` is not owned and must outlive the renderer.
  explicit MpvVideoWidget(mpv_handle* mpv, QWidget* parent = nullptr);
  ~MpvVideoWidget() override;

  // Frees the render context (with this widget's GL context current).
  void ReleaseRenderer();

  void SetFormat(const VideoFormat& format);
  void SetOverlay(std::optional<WatermarkOverlay> overlay);

  // Where the picture is drawn, in this widget's coordinates.
  QRectF PictureRect() const;

 signals:
  void doubleClicked();
  // The render API could not be set up; one line.
  void rendererFailed(const QString& reason);

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void DrawOverlay();

  mpv_handle* mpv_;
  mpv_render_context* renderer_ = nullptr;
  VideoFormat format_;
  std::optional<WatermarkOverlay> overlay_;
};

}  // namespace vidplay
