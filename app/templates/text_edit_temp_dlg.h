#pragma once

// The "Text" page of the template editor: shows the text part of the
// selected layer and stores every edit in the session, which saves it and
// asks for a repaint. It carries out the layer menu's commands for both
// pages. UI thread.

#include "app/templates/layer_commands.h"
#include "app/templates/layer_field_binding.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QPushButton;

namespace Ui {
class CTextEditTempDlg;
}

namespace vidmora {

class LayerSession;
struct EditedLayer;

class CTextEditTempDlg : public QWidget {
  Q_OBJECT

 public:
  CTextEditTempDlg(LayerSession& session, QWidget* parent = nullptr);
  ~CTextEditTempDlg() override;

  // Carries out a command of the layer menu (this page's or the image page's).
  void RunLayerMenuCommand(LayerCommand command);

 private:
  // The "Insert token" menu beside the text field.
  void BuildTokenMenu();
  void ConnectEditors();
  void ShowLayer();
  void ShowSwatch(QPushButton* swatch, uint32_t colorRef);
  void ChooseColor(QPushButton* swatch, const QString& field, uint32_t EditedLayer::*color);
  void ChooseFont();
  // Stores an edit unless the controls are being filled from the layer; false then.
  bool Store(const QString& field, const LayerEdit& edit);

  LayerSession& session_;
  std::unique_ptr<Ui::CTextEditTempDlg> ui_;
  bool showing_ = false;
};

}  // namespace vidmora
