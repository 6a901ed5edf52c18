#include "app/templates/edit_template_dlg.h"

#include "app/settings/preview_cache.h"
#include "app/templates/edit_temp_img_dlg.h"
#include "app/templates/layer_commands.h"
#include "app/templates/layer_session.h"
#include "app/templates/preview_painter.h"
#include "app/templates/sample_picture.h"
#include "app/templates/text_edit_temp_dlg.h"
#include "common/quorvil.h"
#include "ui_edit_template_dlg.h"

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>

#include <QMessageBox>
#include <QPixmap>
#include <QShortcut>
#include <QTimer>

#include <string>

namespace vidmora {

namespace {

bool IsUndoKey(QEvent* event) {
  return (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
         static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo);
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
  connect(imagePage_, &CEditTempImgDlg::layerMenuCommand, textPage_, &CTextEditTempDlg::RunLayerMenuCommand);
  connect(ui_->page_tabs, &QTabWidget::currentChanged, this, &CEditTemplateDlg::ShowPage);
  connect(session_, &LayerSession::repaintRequested, this, &CEditTemplateDlg::RequestRepaint);
  connect(session_, &LayerSession::saveFailed, this,
          [this](const QString& message) { QMessageBox::warning(this, QStringLiteral("Vidmora"), message); });

  // Ctrl+Z takes back the editor's last change, also where a text field
  // would otherwise undo only its own typing.
  auto* undo = new QShortcut(QKeySequence::Undo, this);
  connect(undo, &QShortcut::activated, session_, &LayerSession::Undo);
  for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);

  ui_->preview_label->setFixedSize(kSamplePictureWidth, kSamplePictureHeight);
  ShowPage(0);
  Repaint();
}

CEditTemplateDlg::~CEditTemplateDlg() = default;

void CEditTemplateDlg::ShowPage(int index) {
  // The tab fits the page shown; the dialog fits the tab and the preview.
  QWidget* page = index == 1 ? static_cast<QWidget*>(imagePage_) : textPage_;
  ui_->page_tabs->setCurrentIndex(index);
  ui_->page_tabs->setFixedWidth(page->sizeHint().width() + 12);
  adjustSize();
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
  preview_ = PaintPreview(SamplePicture(), session_->TemplatesFolder(), session_->TemplateName(),
                          session_->LayersForPainting());
  ui_->preview_label->setPixmap(QPixmap::fromImage(preview_));
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
  if (IsUndoKey(event)) {
    if (event->type() == QEvent::KeyPress) session_->Undo();
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
