#include "app/templates/edit_template_dlg.h"

#include "app/processing/engine.h"
#include "app/processing/preview_frame.h"
#include "app/processing/settings/preview_cache.h"
#include "app/settings/language_manager.h"
#include "app/templates/anchor_snap.h"
#include "app/templates/drag_preview.h"
#include "app/templates/edit_temp_img_dlg.h"
#include "app/templates/editor_preview_paint.h"
#include "app/templates/layer_commands.h"
#include "app/templates/layer_session.h"
#include "app/templates/sample_picture.h"
#include "app/templates/text_edit_temp_dlg.h"
#include "app/templates/timing_page.h"
#include "common/quorvil.h"
#include "draw/glyphra.h"
#include "ui_edit_template_dlg.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QLabel>
#include <QSlider>
#include <QLineEdit>
#include <QScreen>

#include <QMessageBox>
#include <QPushButton>
#include <QPixmap>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace vidmora {

namespace {

bool IsKeyEvent(QEvent* event) {
  return event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
}

bool IsUndoKey(QEvent* event) {
  return IsKeyEvent(event) && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo);
}

bool IsRedoKey(QEvent* event) {
  if (!IsKeyEvent(event)) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  return key->matches(QKeySequence::Redo) ||
         (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier) ||
         (key->key() == Qt::Key_Z && key->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier));
}

}  // namespace

CEditTemplateDlg::CEditTemplateDlg(const QString& templatesFolder, const QString& templateName, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CEditTemplateDlg>()) {
  ui_->setupUi(this);
  session_ = new LayerSession(templatesFolder, templateName, this);
  textPage_ = new CTextEditTempDlg(*session_);
  imagePage_ = new CEditTempImgDlg(*session_);
  textPage_->setObjectName(QStringLiteral("text_page"));
  imagePage_->setObjectName(QStringLiteral("image_page"));
  ui_->page_tabs->addTab(textPage_, QStringLiteral("Text"));
  ui_->page_tabs->addTab(imagePage_, QStringLiteral("Image"));
  timingPage_ = new TimingPage(*session_);
  timingPage_->setObjectName(QStringLiteral("timing_page"));
  ui_->page_tabs->addTab(timingPage_, QStringLiteral("Timing"));
  AddTimeSlider();
  connect(imagePage_, &CEditTempImgDlg::layerMenuCommand, textPage_, &CTextEditTempDlg::RunLayerMenuCommand);
  connect(ui_->page_tabs, &QTabWidget::currentChanged, this, &CEditTemplateDlg::ShowPage);
  connect(session_, &LayerSession::repaintRequested, this, &CEditTemplateDlg::RequestRepaint);
  connect(session_, &LayerSession::saveFailed, this,
          [this](const QString& message) { QMessageBox::warning(this, ProgramCaption(), message); });

  // Ctrl+Z takes back the editor's last change, Ctrl+Shift+Z and Ctrl+Y make
  // it again, also where a text field would otherwise undo only its own typing.
  auto* undo = new QShortcut(QKeySequence::Undo, this);
  connect(undo, &QShortcut::activated, session_, &LayerSession::Undo);
  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
    auto* redo = new QShortcut(keys, this);
    connect(redo, &QShortcut::activated, session_, &LayerSession::Redo);
  }
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);
  ui_->preview_label->installEventFilter(this);
  ui_->preview_label->setFocusPolicy(Qt::ClickFocus);
  ui_->preview_label->setMouseTracking(true);  // the cursor tells what a press would grab
  ui_->preview_label->setToolTip(
      QStringLiteral("Drag the text or the picture to place it, a picture's corner to size it; "
                     "arrow keys move it by a pixel (Shift: ten)"));
  sheets_ = std::make_unique<DragPreview>();
  nudgeEnd_ = new QTimer(this);
  nudgeEnd_->setSingleShot(true);
  nudgeEnd_->setInterval(400);
  connect(nudgeEnd_, &QTimer::timeout, this, &CEditTemplateDlg::EndNudging);
  connect(ui_->undo_btn, &QPushButton::clicked, session_, &LayerSession::Undo);
  connect(ui_->redo_btn, &QPushButton::clicked, session_, &LayerSession::Redo);
  connect(ui_->revert_btn, &QPushButton::clicked, this, [this] {
    if (QMessageBox::question(this, ProgramCaption(),
                              UiText(QStringLiteral("Put the template \"%1\" back as it was when the editor opened? "
                                                    "Every change since then is lost."))
                                  .arg(session_->TemplateName()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
      session_->Revert();
  });
  connect(session_, &LayerSession::saved, this, [this] { ui_->save_status_label->setText(QStringLiteral("Saved")); });
  connect(session_, &LayerSession::saveFailed, this,
          [this] { ui_->save_status_label->setText(QStringLiteral("Not saved")); });
  connect(session_, &LayerSession::layerShown, this, &CEditTemplateDlg::UpdateHistoryButtons);
  connect(session_, &LayerSession::repaintRequested, this, &CEditTemplateDlg::UpdateHistoryButtons);
  setWindowTitle(QStringLiteral("Edit Watermark Template - %1").arg(templateName));
  UpdateHistoryButtons();

  ui_->preview_source_combo->addItem(QStringLiteral("Sample picture"), QString());
  connect(ui_->preview_source_combo, &QComboBox::activated, this,
          [this](int index) { PreviewOver(ui_->preview_source_combo->itemData(index).toString()); });

  ShowPage(0);
  Repaint();
  // Room for the sample picture at its own size where the screen has it;
  // smaller screens get a smaller preview and every control still in reach.
  const QSize wanted = sizeHint() + QSize(kSamplePictureWidth, kSamplePictureHeight) - ui_->preview_label->minimumSize();
  const QRect available = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  resize(std::min(wanted.width(), available.width() - 16), std::min(wanted.height(), available.height() - 48));
}

void CEditTemplateDlg::UpdateHistoryButtons() {
  ui_->undo_btn->setEnabled(session_->CanUndo());
  ui_->redo_btn->setEnabled(session_->CanRedo());
}

void CEditTemplateDlg::SetPreviewClips(const QStringList& paths) {
  QComboBox* combo = ui_->preview_source_combo;
  while (combo->count() > 1) combo->removeItem(1);
  for (const QString& path : paths) {
    combo->addItem(QFileInfo(path).fileName(), path);
    combo->setItemData(combo->count() - 1, QDir::toNativeSeparators(path), Qt::ToolTipRole);
  }
}

bool CEditTemplateDlg::PreviewOver(const QString& path) {
  QComboBox* combo = ui_->preview_source_combo;
  bool shown = true;
  if (!path.isEmpty() && !clipFrames_.contains(path)) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    GrabbedFrame frame = GrabFrame(EncoderLibraryFolder(), path, PreviewTime() / 1000.0);
    QGuiApplication::restoreOverrideCursor();
    if (frame.image.isNull()) {
      QMessageBox::warning(this, ProgramCaption(), frame.error);
      shown = false;
    } else {
      clipFrames_.insert(path, frame.image.convertToFormat(QImage::Format_RGB32));
    }
  }
  previewClip_ = shown ? path : QString();
  const int index = combo->findData(previewClip_);
  combo->setCurrentIndex(index < 0 ? 0 : index);
  Repaint();
  return shown;
}

void CEditTemplateDlg::AddTimeSlider() {
  auto* row = new QHBoxLayout;
  auto* caption = new QLabel(QStringLiteral("Time"), this);
  timeSlider_ = new QSlider(Qt::Horizontal, this);
  timeSlider_->setObjectName(QStringLiteral("preview_time_slider"));
  timeSlider_->setRange(0, 60000);
  timeSlider_->setSingleStep(100);
  timeSlider_->setPageStep(5000);
  timeSlider_->setValue(static_cast<int>(kPreviewFrameSeconds * 1000));
  timeLabel_ = new QLabel(this);
  timeLabel_->setObjectName(QStringLiteral("preview_time_label"));
  timeLabel_->setMinimumWidth(timeLabel_->fontMetrics().horizontalAdvance(QStringLiteral("00:00.0 ")));
  row->addWidget(caption);
  row->addWidget(timeSlider_, 1);
  row->addWidget(timeLabel_);
  ui_->preview_layout->addLayout(row);
  const auto showTime = [this](int ms) {
    timeLabel_->setText(QStringLiteral("%1:%2").arg(ms / 60000).arg((ms % 60000) / 1000.0, 4, 'f', 1, QLatin1Char('0')));
  };
  showTime(timeSlider_->value());
  connect(timeSlider_, &QSlider::valueChanged, this, [this, showTime](int ms) {
    showTime(ms);
    if (!timeSlider_->isSliderDown()) GrabClipFrameAtSliderTime();
    RequestRepaint();
  });
  connect(timeSlider_, &QSlider::sliderReleased, this, [this] {
    GrabClipFrameAtSliderTime();
    RequestRepaint();
  });
}

void CEditTemplateDlg::GrabClipFrameAtSliderTime() {
  if (previewClip_.isEmpty()) return;
  // The clip's frame at the slider's time (the last one beyond its end).
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  GrabbedFrame frame = GrabFrame(EncoderLibraryFolder(), previewClip_, timeSlider_->value() / 1000.0);
  QGuiApplication::restoreOverrideCursor();
  if (!frame.image.isNull()) clipFrames_.insert(previewClip_, frame.image.convertToFormat(QImage::Format_RGB32));
}

void CEditTemplateDlg::SetPreviewTime(int milliseconds) { timeSlider_->setValue(milliseconds); }

int CEditTemplateDlg::PreviewTime() const { return timeSlider_ ? timeSlider_->value() : -1; }

const QImage& CEditTemplateDlg::Background() const {
  const auto frame = clipFrames_.constFind(previewClip_);
  return frame != clipFrames_.constEnd() ? *frame : SamplePicture();
}

CEditTemplateDlg::~CEditTemplateDlg() = default;

void CEditTemplateDlg::ShowPage(int index) {
  // The tab fits the page shown; the dialog fits the tab and the preview.
  QWidget* page = ui_->page_tabs->widget(index) ? ui_->page_tabs->widget(index) : textPage_;
  ui_->page_tabs->setCurrentIndex(index);
  ui_->page_tabs->setFixedWidth(page->sizeHint().width() + 12);
}

void CEditTemplateDlg::RequestRepaint() {
  if (repaintPending_) return;
  repaintPending_ = true;
  // Several signals of one change give one painting.
  QTimer::singleShot(0, this, [this] {
    if (repaintPending_) Repaint();
  });
}

void CEditTemplateDlg::Repaint() {
  repaintPending_ = false;
  if (closed_) return;
  if (nudging_ && session_->Editable() && session_->Layer() == nudgedLayer_) {
    // The nudged part's sheet moved by the offsets' change; painted anew
    // when the nudging ends.
    const EditedLayer& now = nudgedLayer_;
    const bool picture = nudged_ == DraggedPart::kPicture;
    const QPointF moved = picture ? QPointF(now.imageOffsetH - dragBox_.left(), now.imageOffsetV - dragBox_.top())
                                  : QPointF(now.offsetH - dragBox_.left(), now.offsetV - dragBox_.top());
    ShowScaled(sheets_->Compose(QTransform::fromTranslate(moved.x(), moved.y())));
    return;
  }
  if (nudging_) {
    nudging_ = false;
    nudgeEnd_->stop();
    sheets_->End();
  }
  preview_ = PaintPreview(Background(), session_->LayersForPainting(), PreviewTime());
  ShowScaledPreview();
}

void CEditTemplateDlg::EndNudging() {
  if (!nudging_) return;
  nudging_ = false;
  sheets_->End();
  Repaint();
}

void CEditTemplateDlg::ShowScaledPreview() { ShowScaled(preview_); }

void CEditTemplateDlg::ShowScaled(const QImage& picture) {
  if (picture.isNull()) return;
  // The whole picture in the space the label has, its shape kept; never
  // larger than it is.
  const qreal ratio = devicePixelRatioF();
  const QSize room = ui_->preview_label->size() * ratio;
  QImage shown = picture;
  if (picture.width() > room.width() || picture.height() > room.height())
    shown = picture.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  shownPixmap_ = QPixmap::fromImage(shown);
  shownPixmap_.setDevicePixelRatio(ratio);
  ui_->preview_label->setPixmap(shownPixmap_);
}

QRectF CEditTemplateDlg::ShownPictureRect() const {
  const QSizeF size = shownPixmap_.deviceIndependentSize();
  const QSizeF room = ui_->preview_label->size();
  return {QPointF((room.width() - size.width()) / 2, (room.height() - size.height()) / 2), size};
}

QPointF CEditTemplateDlg::ToPicture(QPointF labelPoint) const {
  const QRectF shown = ShownPictureRect();
  if (shown.isEmpty()) return {};
  return {(labelPoint.x() - shown.left()) * preview_.width() / shown.width(),
          (labelPoint.y() - shown.top()) * preview_.height() / shown.height()};
}

int CEditTemplateDlg::CornerAt(const QRectF& box, QPointF point) const {
  if (box.isEmpty()) return -1;
  // Within 6 screen points of a corner, whatever the preview's scale.
  const QRectF shown = ShownPictureRect();
  const qreal reach = shown.isEmpty() ? 6.0 : 6.0 * preview_.width() / shown.width();
  const QPointF corners[] = {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()};
  for (int i = 0; i < 4; ++i)
    if (std::abs(point.x() - corners[i].x()) <= reach && std::abs(point.y() - corners[i].y()) <= reach) return i;
  return -1;
}

void CEditTemplateDlg::ShowHoverCursor(QPointF point) {
  QRectF text, picture;
  const EditedLayer layer = session_->Layer();
  Qt::CursorShape shape = Qt::ArrowCursor;
  if (session_->Editable() && MeasureLayerParts(&layer, preview_.width(), preview_.height(), &text, &picture) == 0) {
    const int corner = CornerAt(picture, point);
    if (corner >= 0) shape = corner % 2 == 0 ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    else if (picture.contains(point) || text.contains(point)) shape = Qt::SizeAllCursor;
  }
  ui_->preview_label->setCursor(shape);
}

void CEditTemplateDlg::BeginSheets(DraggedPart part) {
  const int index = session_->SelectedPaintingIndex();
  if (index < 0) return;
  sheets_->Begin(Background(), session_->LayersForPainting(), static_cast<size_t>(index),
                 part == DraggedPart::kPicture ? LayerPart::kPicture : LayerPart::kText, PreviewTime());
}

bool CEditTemplateDlg::PreviewMouse(QEvent* event) {
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const QPointF point = ToPicture(mouse->position());
  if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && session_->Editable()) {
    EndNudging();
    QRectF text, picture;
    const EditedLayer layer = session_->Layer();
    if (MeasureLayerParts(&layer, preview_.width(), preview_.height(), &text, &picture) != 0) return false;
    // The picture lies over the text; its corners size it.
    resizedCorner_ = CornerAt(picture, point);
    dragging_ = resizedCorner_ >= 0 || picture.contains(point) ? DraggedPart::kPicture
                : text.contains(point)                         ? DraggedPart::kText
                                                               : DraggedPart::kNone;
    if (dragging_ == DraggedPart::kNone) return false;
    nudged_ = dragging_;
    dragStart_ = point;
    dragBox_ = dragging_ == DraggedPart::kPicture ? picture : text;
    resizedBox_ = dragBox_;
    BeginSheets(dragging_);
    return true;
  }
  if (dragging_ == DraggedPart::kNone) {
    if (event->type() == QEvent::MouseMove) ShowHoverCursor(point);
    return false;
  }
  const QRectF moved = dragBox_.translated(point - dragStart_);
  if (event->type() == QEvent::MouseMove) {
    // The part's painted sheet follows the mouse; it is painted anew on the drop.
    if (!sheets_->Active()) return true;
    if (resizedCorner_ >= 0) {
      resizedBox_ = ResizedBox(point);
      const QTransform scale =
          QTransform::fromTranslate(resizedBox_.left(), resizedBox_.top())
              .scale(resizedBox_.width() / dragBox_.width(), resizedBox_.height() / dragBox_.height())
              .translate(-dragBox_.left(), -dragBox_.top());
      ShowScaled(sheets_->Compose(scale));
    } else {
      const QPointF by = point - dragStart_;
      ShowScaled(sheets_->Compose(QTransform::fromTranslate(by.x(), by.y())));
    }
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
    const DraggedPart part = std::exchange(dragging_, DraggedPart::kNone);
    const bool resizing = resizedCorner_ >= 0;
    if (resizing) resizedBox_ = ResizedBox(point);
    resizedCorner_ = -1;
    sheets_->End();
    if (resizing && resizedBox_ != dragBox_) ResizePicture(resizedBox_);
    else if (!resizing && moved.topLeft() != dragBox_.topLeft()) PlaceDraggedPart(part, moved);
    else ShowScaledPreview();
    return true;
  }
  return false;
}

QRectF CEditTemplateDlg::ResizedBox(QPointF point) const {
  // The corner opposite the one dragged stays where it is.
  const QPointF corners[] = {dragBox_.topLeft(), dragBox_.topRight(), dragBox_.bottomRight(), dragBox_.bottomLeft()};
  const QPointF fixed = corners[(resizedCorner_ + 2) % 4];
  const qreal minimum = 4.0;
  const qreal scale =
      std::max({std::abs(point.x() - fixed.x()) / dragBox_.width(), std::abs(point.y() - fixed.y()) / dragBox_.height(),
                minimum / std::min(dragBox_.width(), dragBox_.height())});
  const QSizeF size = dragBox_.size() * scale;
  const qreal left = resizedCorner_ == 0 || resizedCorner_ == 3 ? fixed.x() - size.width() : fixed.x();
  const qreal top = resizedCorner_ <= 1 ? fixed.y() - size.height() : fixed.y();
  return {QPointF(left, top), size};
}

void CEditTemplateDlg::ResizePicture(const QRectF& box) {
  const SnappedPlace place = SnapToAnchor(box, preview_.size(), PartKind::kPicture);
  const qreal scale = box.width() / dragBox_.width();
  session_->ChangeAndShow(QStringLiteral("Resize"), [&](EditedLayer& l) {
    // The stored size scaled as the painted one was (a stored size below 1
    // is the picture's own, painted as measured).
    const qreal width = l.imageWidth > 0 ? l.imageWidth : dragBox_.width();
    const qreal height = l.imageHeight > 0 ? l.imageHeight : dragBox_.height();
    l.imageWidth = std::max(1, qRound(width * scale));
    l.imageHeight = std::max(1, qRound(height * scale));
    l.imageLocation = place.location;
    l.imageOffsetH = place.offsetH;
    l.imageOffsetV = place.offsetV;
  });
}

void CEditTemplateDlg::PlaceDraggedPart(DraggedPart part, const QRectF& box) {
  const bool picture = part == DraggedPart::kPicture;
  const SnappedPlace place = SnapToAnchor(box, preview_.size(), picture ? PartKind::kPicture : PartKind::kText);
  session_->ChangeAndShow(QStringLiteral("Drag"), [&](EditedLayer& l) {
    (picture ? l.imageLocation : l.location) = place.location;
    (picture ? l.imageOffsetH : l.offsetH) = place.offsetH;
    (picture ? l.imageOffsetV : l.offsetV) = place.offsetV;
  });
}

bool CEditTemplateDlg::PreviewKey(QKeyEvent* event) {
  int dx = 0, dy = 0;
  switch (event->key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: return false;
  }
  if (!session_->Editable()) return false;
  const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
  const bool picture = nudged_ == DraggedPart::kPicture;
  if (!nudging_) {
    // The sheets of the layer as it is before the first nudge; dragBox_'s
    // corner holds the offsets they were painted with.
    BeginSheets(nudged_);
    const EditedLayer& l = session_->Layer();
    dragBox_ = QRectF(picture ? l.imageOffsetH : l.offsetH, picture ? l.imageOffsetV : l.offsetV, 1, 1);
    nudging_ = sheets_->Active();
  }
  session_->ChangeAndShow(QStringLiteral("Nudge"), [&](EditedLayer& l) {
    (picture ? l.imageOffsetH : l.offsetH) += dx * step;
    (picture ? l.imageOffsetV : l.offsetV) += dy * step;
  });
  nudgedLayer_ = session_->Layer();
  if (nudging_) nudgeEnd_->start();
  return true;
}

void CEditTemplateDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ShowScaledPreview();
}

QImage CEditTemplateDlg::PreviewPicture() {
  if (nudging_) EndNudging();
  if (repaintPending_) Repaint();
  return preview_;
}

void CEditTemplateDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (askedAboutUnreadable_) return;
  askedAboutUnreadable_ = true;
  // Asked once the editor is on screen, so that the question has its place.
  QTimer::singleShot(0, this, [this] {
    if (!session_->TemplateReadable()) {
      QMessageBox::warning(
          this, ProgramCaption(),
          UiText(QStringLiteral("The template file %1 cannot be read, so the template has no layers to edit."))
              .arg(QDir(session_->TemplatesFolder()).filePath(session_->TemplateName() + QStringLiteral(".xml"))));
      return;
    }
    OfferToReplaceUnreadable(*session_, this);
  });
}

bool CEditTemplateDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->preview_label) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseMove:
      case QEvent::MouseButtonRelease:
        if (PreviewMouse(event)) return true;
        break;
      case QEvent::KeyPress:
        if (PreviewKey(static_cast<QKeyEvent*>(event))) return true;
        break;
      default:
        break;
    }
  }
  if (IsUndoKey(event)) {
    if (event->type() == QEvent::KeyPress) session_->Undo();
    event->accept();
    return true;
  }
  if (IsRedoKey(event)) {
    if (event->type() == QEvent::KeyPress) session_->Redo();
    event->accept();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CEditTemplateDlg::keyPressEvent(QKeyEvent* event) {
  // Enter and Esc close the editor only from the editor itself, never from
  // a field of a page.
  const bool closingKey = event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (closingKey && focusWidget() != nullptr && focusWidget() != this && ui_->page_tabs->isAncestorOf(focusWidget())) {
    event->accept();
    return;
  }
  if (closingKey) {
    done(QDialog::Accepted);
    return;
  }
  QDialog::keyPressEvent(event);
}

void CEditTemplateDlg::done(int result) {
  if (!closed_) {
    closed_ = true;
    session_->Save();
    EmptyPreviewCache();
  }
  QDialog::done(result);
}

}  // namespace vidmora
