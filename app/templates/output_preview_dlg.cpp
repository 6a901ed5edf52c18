#include "app/templates/output_preview_dlg.h"

#include "app/processing/engine.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/resizing_settings.h"
#include "app/processing/settings/session_choices.h"
#include "app/settings/language_manager.h"
#include "ui_output_preview_dlg.h"

#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QThreadPool>

namespace vidmora {

COutputPreviewDlg::COutputPreviewDlg(PreviewFileList& files, QString templateName, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::COutputPreviewDlg>()), files_(files),
      templateName_(std::move(templateName)) {
  ui_->setupUi(this);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) resize(screen->availableGeometry().size());
  ui_->busy_indicator->setVisible(false);
  ui_->picture_label->setCursor(Qt::OpenHandCursor);
  ui_->picture_label->installEventFilter(this);
  connect(ui_->next_button, &QPushButton::clicked, this, [this] { Step(true); });
  connect(ui_->previous_button, &QPushButton::clicked, this, [this] { Step(false); });
  ShowFile(files_.SelectedFile());
}

COutputPreviewDlg::~COutputPreviewDlg() = default;

void COutputPreviewDlg::ShowFile(const QString& path) {
  currentFile_ = path;
  ui_->path_label->setText(QDir::toNativeSeparators(path));
  shown_ = QImage();
  ui_->picture_label->setPixmap({});
  ui_->picture_label->setText({});
  ui_->picture_label->adjustSize();
  if (path.isEmpty()) return;

  rendering_ = true;
  ui_->busy_indicator->setVisible(true);
  const int request = ++request_;
  // The result comes back to this thread; a dialog closed meanwhile gets none.
  QPointer<COutputPreviewDlg> self(this);
  QThreadPool::globalInstance()->start(
      [self, request, encoderFolder = EncoderLibraryFolder(), templates = TemplatesFolder(), name = templateName_,
       path] {
        PreviewPicture picture = RenderPreview(encoderFolder, templates, name, path);
        QMetaObject::invokeMethod(
            qApp,
            [self, request, picture = std::move(picture)] {
              if (self) self->Rendered(request, picture);
            },
            Qt::QueuedConnection);
      });
}

void COutputPreviewDlg::Rendered(int request, const PreviewPicture& picture) {
  if (request != request_) return;
  rendering_ = false;
  ui_->busy_indicator->setVisible(false);
  if (picture.image.isNull()) {
    ui_->picture_label->setText(picture.error);
    ui_->picture_label->setWordWrap(true);
    ui_->picture_label->resize(ui_->picture_area->viewport()->size());
  } else {
    const ResizingSettings settings = ReadResizingSettings(DataFile(kResizingSettingsFileName));
    const QSize size = DisplaySize(picture.image.size(), settings, ResizeJustThisTime() || settings.resizeEveryTime);
    shown_ = size == picture.image.size()
                 ? picture.image
                 : picture.image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ui_->picture_label->setPixmap(QPixmap::fromImage(shown_));
    ui_->picture_label->resize(shown_.size());
  }
  ui_->picture_area->horizontalScrollBar()->setValue(0);
  ui_->picture_area->verticalScrollBar()->setValue(0);
  emit pictureReady();
}

void COutputPreviewDlg::Step(bool forward) {
  const QString path = forward ? files_.NextFile() : files_.PreviousFile();
  if (path.isEmpty()) {
    QMessageBox::information(
        this, windowTitle(),
        UiText(forward ? QStringLiteral("This is the last one.") : QStringLiteral("This is the first one.")));
    return;
  }
  ShowFile(path);
}

bool COutputPreviewDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched != ui_->picture_label) return QDialog::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      dragging_ = true;
      dragFrom_ = mouse->globalPosition().toPoint();
      ui_->picture_label->setCursor(Qt::ClosedHandCursor);
      return true;
    }
    case QEvent::MouseMove: {
      if (!dragging_) break;
      const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
      const QPoint moved = dragFrom_ - at;
      // The scroll bars keep the offsets within their ranges.
      ui_->picture_area->horizontalScrollBar()->setValue(ui_->picture_area->horizontalScrollBar()->value() + moved.x());
      ui_->picture_area->verticalScrollBar()->setValue(ui_->picture_area->verticalScrollBar()->value() + moved.y());
      dragFrom_ = at;
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (!dragging_) break;
      dragging_ = false;
      ui_->picture_label->setCursor(Qt::OpenHandCursor);
      return true;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vidmora
