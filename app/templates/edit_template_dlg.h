#pragma once

// The template editor: the "Text" and "Image" pages of the selected layer
// beside a preview of the whole template (every layer, in painting order)
// painted over the 677 x 625 sample picture or, chosen above the preview, a
// frame of one of the window's videos at the clip's own shape. The preview is
// painted at the picture's own size and shown scaled to the space it has; the
// window can be resized. The selected layer's text or picture can be dragged
// on the preview (its anchor snaps to the nearest of the nine places, the
// offsets follow), a picture resized by a corner (its shape kept), and
// either nudged with the arrow keys (Shift: ten pixels). While a part is
// dragged or nudged its painted sheet is moved (DragPreview); it is painted
// anew when the drag or the nudging ends. Every change is saved at once and
// painted again; Ctrl+Z takes the last change back, Ctrl+Shift+Z and Ctrl+Y
// make it again. Closing saves the selected layer once
// more and empties the output preview cache. UI thread; opened modally with
// exec().

#include <QDialog>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QStringList>

#include "shared/template/edited_layer.h"

#include <memory>

class QLabel;
class QSlider;
class QTimer;

namespace Ui {
class CEditTemplateDlg;
}

namespace vidmora {

class DragPreview;
class LayerSession;
class CTextEditTempDlg;
class CEditTempImgDlg;
class TimingPage;

class CEditTemplateDlg : public QDialog {
  Q_OBJECT

 public:
  CEditTemplateDlg(const QString& templatesFolder, const QString& templateName, QWidget* parent = nullptr);
  ~CEditTemplateDlg() override;

  LayerSession& Session() { return *session_; }
  // The preview as it is now painted, at the picture's own size (painted
  // first when a change is pending).
  QImage PreviewPicture();

  // The videos the preview can show a frame of, listed after the sample
  // picture in "preview_source_combo".
  void SetPreviewClips(const QStringList& paths);
  // Shows the preview over `path`'s frame (one of the clips), or over the
  // sample picture for an empty path. False, with the sample picture shown
  // and a message, when no frame of the clip can be read.
  bool PreviewOver(const QString& path);

  // The time of the clip's frame that the preview shows (the time slider
  // under it): layers with timing or motion are painted as they are then.
  // Over the sample picture the slider spans 60 s; over a clip, the frame
  // at that time is shown once the slider is let go.
  void SetPreviewTime(int milliseconds);
  int PreviewTime() const;

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RequestRepaint();
  void Repaint();
  void ShowPage(int index);
  void ShowScaledPreview();
  void ShowScaled(const QImage& picture);
  void UpdateHistoryButtons();
  // The picture the layers are painted over: the chosen clip's frame or the
  // sample picture.
  const QImage& Background() const;

  // Dragging and nudging the selected layer's parts on the preview.
  enum class DraggedPart { kNone, kText, kPicture };
  // Where the preview picture is drawn in the label, and a label point in
  // the picture's pixels.
  QRectF ShownPictureRect() const;
  QPointF ToPicture(QPointF labelPoint) const;
  bool PreviewMouse(QEvent* event);
  bool PreviewKey(QKeyEvent* event);
  void PlaceDraggedPart(DraggedPart part, const QRectF& box);
  // The picture's box when its corner is dragged to `point` (the opposite
  // corner stays, the shape is kept).
  QRectF ResizedBox(QPointF point) const;
  void ResizePicture(const QRectF& box);
  void BeginSheets(DraggedPart part);
  void EndNudging();
  void ShowHoverCursor(QPointF point);
  // The corner of `box` within reach of `point`, as its index (0 top left,
  // 1 top right, 2 bottom right, 3 bottom left), or -1.
  int CornerAt(const QRectF& box, QPointF point) const;

  std::unique_ptr<Ui::CEditTemplateDlg> ui_;
  LayerSession* session_ = nullptr;  // owned as a child
  CTextEditTempDlg* textPage_ = nullptr;
  CEditTempImgDlg* imagePage_ = nullptr;
  TimingPage* timingPage_ = nullptr;
  QSlider* timeSlider_ = nullptr;
  QLabel* timeLabel_ = nullptr;
  void AddTimeSlider();
  void GrabClipFrameAtSliderTime();
  QImage preview_;
  QHash<QString, QImage> clipFrames_;  // grabbed once per clip
  QString previewClip_;                // empty: the sample picture
  QPixmap shownPixmap_;                // the preview as the label shows it
  DraggedPart dragging_ = DraggedPart::kNone;
  DraggedPart nudged_ = DraggedPart::kText;  // what the arrow keys move
  QPointF dragStart_;                  // in picture pixels
  QRectF dragBox_;                     // the part's box when the drag began
  int resizedCorner_ = -1;             // the picture's corner being dragged, or -1 for a move
  QRectF resizedBox_;                  // the picture's box as the resize has it now
  std::unique_ptr<DragPreview> sheets_;
  bool nudging_ = false;     // sheets_ show the nudged part until the timer ends it
  EditedLayer nudgedLayer_;  // the layer as the last nudge left it
  QTimer* nudgeEnd_ = nullptr;
  bool repaintPending_ = false;
  bool closed_ = false;
  bool askedAboutUnreadable_ = false;
};

}  // namespace vidmora
