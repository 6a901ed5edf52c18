#pragma once

// "Output Preview": one source of the main window's file list as its output
// will look with the current template, at full size or resized by the image
// resizing settings, in an area that scrolls and can be dragged with the
// mouse. "<<" and ">>" step through the list. The picture is made on a pool
// thread (preview_renderer.h) while a busy indicator shows, so that a large
// source never holds up the window. User-interface thread; opened modally.

#include "app/templates/preview_renderer.h"

#include <QDialog>
#include <QPoint>

#include <memory>

namespace Ui {
class COutputPreviewDlg;
}

namespace vidmora {

// What the output preview asks of the window's file list.
class PreviewFileList {
 public:
  virtual ~PreviewFileList() = default;
  virtual QString SelectedFile() = 0;
  // Moves the selection one row down (up) and gives its path; empty after
  // the last (before the first) row, the selection then unchanged.
  virtual QString NextFile() = 0;
  virtual QString PreviousFile() = 0;
};

class COutputPreviewDlg : public QDialog {
  Q_OBJECT

 public:
  COutputPreviewDlg(PreviewFileList& files, QString templateName, QWidget* parent = nullptr);
  ~COutputPreviewDlg() override;

  QString CurrentFile() const { return currentFile_; }
  // The picture as shown (display size); null while rendering or after a failure.
  QImage ShownPicture() const { return shown_; }
  bool IsRendering() const { return rendering_; }

 signals:
  // The picture of the current file is shown, or its failure is.
  void pictureReady();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFile(const QString& path);
  void Step(bool forward);
  void Rendered(int request, const PreviewPicture& picture);

  std::unique_ptr<Ui::COutputPreviewDlg> ui_;
  PreviewFileList& files_;
  QString templateName_;
  QString currentFile_;
  QImage shown_;
  int request_ = 0;  // the newest rendering asked for; older results are dropped
  bool rendering_ = false;
  QPoint dragFrom_;
  bool dragging_ = false;
};

}  // namespace vidmora
