#pragma once

// CBaseDlgUI: the frameless window every skinned window of the program is
// built on. Its content comes from a skin layout; it draws its own caption
// bar ("caption_bar", which moves the window; a double click maximises),
// window buttons ("min_btn", "max_btn", "restore_btn", "close_btn"), a thin
// border that resizes the window, and rounded corners.

#include <QDialog>
#include <QString>

class QLabel;

namespace vidmora {

class CBaseDlgUI : public QDialog {
  Q_OBJECT

 public:
  enum class Resizing { Fixed, Free };

  // Builds the layout file `layoutFile` of skin/en into the window.
  CBaseDlgUI(const QString& layoutFile, Resizing resizing, QWidget* parent = nullptr);

  // False when the layout could not be loaded; the window then shows why.
  bool IsSkinLoaded() const { return content_ != nullptr; }

  // A control of the layout by its name; null (and a warning in the log)
  // when the layout has none.
  template <typename T>
  T* Control(const char* name) const {
    T* control = content_ ? content_->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!control) WarnMissing(name);
    return control;
  }

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void WarnMissing(const char* name) const;
  void ConnectWindowButtons();
  void UpdateMaximisedLook();
  Qt::Edges EdgesAt(const QPoint& point) const;

  QWidget* content_ = nullptr;
  const Resizing resizing_;
};

}  // namespace vidmora
