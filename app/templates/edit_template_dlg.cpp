#include "app/templates/edit_template_dlg.h"

#include "app/processing/engine.h"
#include "app/processing/frame_grab.h"
#include "app/settings/preview_cache.h"
#include "app/templates/anchor_snap.h"
#include "app/templates/edit_temp_img_dlg.h"
#include "app/templates/layer_commands.h"
#include "app/templates/layer_session.h"
#include "app/templates/preview_painter.h"
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
#include <QPen>
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
#include <utility>
#include <string>

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
          [this](const QString& message) { QMessageBox::warning(this, QStringLiteral("Vidmora"), message); });

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
  ui_->preview_label->setToolTip(QStringLiteral("Drag the text or the picture to place it; arrow keys move it by a pixel (Shift: ten)"));
  connect(ui_->undo_btn, &QPushButton::clicked, session_, &LayerSession::Undo);
  connect(ui_->redo_btn, &QPushButton::clicked, session_, &LayerSession::Redo);
  connect(ui_->revert_btn, &QPushButton::clicked, this, [this] {
    if (QMessageBox::question(this, QStringLiteral("Vidmora"),
                              QStringLiteral("Put the template \"%1\" back as it was when the editor opened? "
                                             "Every change since then is lost.")
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
      QMessageBox::warning(this, QStringLiteral("Vidmora"), frame.error);
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
  preview_ = PaintPreview(Background(), session_->LayersForPainting(), PreviewTime());
  ShowScaledPreview();
}

void CEditTemplateDlg::ShowScaledPreview() {
  if (preview_.isNull()) return;
  // The whole picture in the space the label has, its shape kept; never
  // larger than it is.
  const qreal ratio = devicePixelRatioF();
  const QSize room = ui_->preview_label->size() * ratio;
  QImage shown = preview_;
  if (preview_.width() > room.width() || preview_.height() > room.height())
    shown = preview_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
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

bool CEditTemplateDlg::PreviewMouse(QEvent* event) {
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const QPointF point = ToPicture(mouse->position());
  if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && session_->Editable()) {
    QRectF text, picture;
    const EditedLayer layer = session_->Layer();
    if (MeasureLayerParts(&layer, preview_.width(), preview_.height(), &text, &picture) != 0) return false;
    // The picture lies over the text.
    dragging_ = picture.contains(point) ? DraggedPart::kPicture
                : text.contains(point)  ? DraggedPart::kText
                                        : DraggedPart::kNone;
    if (dragging_ == DraggedPart::kNone) return false;
    nudged_ = dragging_;
    dragStart_ = point;
    dragBox_ = dragging_ == DraggedPart::kPicture ? picture : text;
    return true;
  }
  if (dragging_ == DraggedPart::kNone) return false;
  const QRectF moved = dragBox_.translated(point - dragStart_);
  if (event->type() == QEvent::MouseMove) {
    // Only an outline follows the mouse; the part is painted anew on the drop.
    ShowDragOutline(moved);
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
    const DraggedPart part = std::exchange(dragging_, DraggedPart::kNone);
    if (moved.topLeft() != dragBox_.topLeft()) PlaceDraggedPart(part, moved);
    else ShowScaledPreview();
    return true;
  }
  return false;
}

void CEditTemplateDlg::ShowDragOutline(const QRectF& box) {
  const QRectF shown = ShownPictureRect();
  if (shown.isEmpty() || preview_.isNull()) return;
  QPixmap outlined = shownPixmap_;
  QPainter painter(&outlined);
  const qreal scale = shown.width() / preview_.width();
  const QRectF onPixmap(box.left() * scale, box.top() * scale, box.width() * scale, box.height() * scale);
  painter.setPen(QPen(Qt::white, 0, Qt::SolidLine));
  painter.drawRect(onPixmap);
  painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
  painter.drawRect(onPixmap);
  painter.end();
  ui_->preview_label->setPixmap(outlined);
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
  const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
  const bool picture = nudged_ == DraggedPart::kPicture;
  session_->ChangeAndShow(QStringLiteral("Nudge"), [&](EditedLayer& l) {
    (picture ? l.imageOffsetH : l.offsetH) += dx * step;
    (picture ? l.imageOffsetV : l.offsetV) += dy * step;
  });
  return true;
}

void CEditTemplateDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ShowScaledPreview();
}

QImage CEditTemplateDlg::PreviewPicture() {
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
      QMessageBox::warning(this, QStringLiteral("Vidmora"),
                           QStringLiteral("The template file %1 cannot be read, so the template has no layers to edit.")
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
