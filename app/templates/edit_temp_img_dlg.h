#pragma once

// The "Image" page of the template editor: shows the picture part of the
// selected layer and stores every edit in the session, which saves it and
// asks for a repaint. Its layer menu commands are carried out by the text
// page (signal layerMenuCommand). UI thread.

#include "app/templates/layer_commands.h"
#include "app/templates/layer_field_binding.h"

#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace Ui {
class CEditTempImgDlg;
}

namespace vidmora {

class LayerSession;
struct EditedLayer;

// The filter of the picture chooser.
extern const char kPictureFilter[];

class CEditTempImgDlg : public QWidget {
  Q_OBJECT

 public:
  CEditTempImgDlg(LayerSession& session, QWidget* parent = nullptr);
  ~CEditTempImgDlg() override;

  // Takes `path` as the layer's picture, as a choice in the chooser does:
  // the size of the picture becomes the layer's and bounds the size fields
  // to twice the picture's.
  void UsePicture(const QString& path);

 signals:
  void layerMenuCommand(LayerCommand command);

 private:
  void ConnectEditors();
  void ShowLayer();
  void ShowSize();
  void Browse();
  void ClearPicture();
  // The pixel size of the layer's picture; nullopt when the file does not exist.
  std::optional<QSize> PictureSize() const;
  // Stores an edit unless the controls are being filled from the layer; false then.
  bool Store(const QString& field, const LayerEdit& edit);

  LayerSession& session_;
  std::unique_ptr<Ui::CEditTempImgDlg> ui_;
  bool showing_ = false;
};

}  // namespace vidmora
