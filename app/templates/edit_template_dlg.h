#pragma once

// The template editor: the "Text" and "Image" pages of the selected layer
// beside a 677 x 625 preview of the whole template painted over the sample
// picture. Every change is saved at once and painted again; Ctrl+Z takes the
// last change back. Closing saves the selected layer once more and empties
// the output preview cache. UI thread; opened modally with exec().

#include <QDialog>
#include <QImage>

#include <memory>

namespace Ui {
class CEditTemplateDlg;
}

namespace vidmora {

class LayerSession;
class CTextEditTempDlg;
class CEditTempImgDlg;

class CEditTemplateDlg : public QDialog {
  Q_OBJECT

 public:
  CEditTemplateDlg(const QString& templatesFolder, const QString& templateName, QWidget* parent = nullptr);
  ~CEditTemplateDlg() override;

  LayerSession& Session() { return *session_; }
  // The preview as it is now shown (painted first when a change is pending).
  QImage PreviewPicture();

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void RequestRepaint();
  void Repaint();
  void ShowPage(int index);

  std::unique_ptr<Ui::CEditTemplateDlg> ui_;
  LayerSession* session_ = nullptr;  // owned as a child
  CTextEditTempDlg* textPage_ = nullptr;
  CEditTempImgDlg* imagePage_ = nullptr;
  QImage preview_;
  bool repaintPending_ = false;
  bool closed_ = false;
  bool askedAboutUnreadable_ = false;
};

}  // namespace vidmora
