#pragma once

// The layer list and layer button that both editor pages carry, and the
// three commands of the layer menu. UI thread.

#include <QObject>

class QComboBox;
class QLabel;
class QToolButton;
class QWidget;

namespace vidmora {

class LayerSession;

enum class LayerCommand { kAdd, kAddLogo, kDuplicate, kBringForward, kSendBackward, kRename, kRemove };

// Keeps a page's "Layers: " list in step with the session (refilled whenever
// the session shows a layer) and turns a choice in it into a selection; the
// layer button opens the layer menu below itself and reports the command.
class LayerListControls : public QObject {
  Q_OBJECT

 public:
  LayerListControls(LayerSession& session, QComboBox& list, QToolButton& button, QWidget& page);

 signals:
  void commandChosen(LayerCommand command);

 private:
  void Refill();

  LayerSession& session_;
  QComboBox& list_;
  QWidget& page_;
};

// Gives an editor page the look the editor's pages have always had: white,
// the "Layers: " label in blue, and no button that Return presses.
void StyleEditorPage(QWidget& page, QLabel& layersLabel);

// Carries out a layer command with its prompts and messages, as one step of
// the session's history: "Add Text Layer", "Add Logo Layer" and "Rename This
// Layer" ask for a name not in use in the templates folder; "Duplicate
// Layer" copies the selected layer under a free name; "Bring Layer Forward"
// and "Send Layer Backward" move it in the painting order; "Remove This
// Layer" asks first. Both pages show the result.
void RunLayerCommand(LayerCommand command, LayerSession& session, QWidget* parent);

// Selects layer `index`; when its file cannot be read, says so (naming the
// file) and offers to replace it with a new layer of default values. Without
// that yes the file is left alone and the layer stays uneditable.
void SelectLayer(int index, LayerSession& session, QWidget* parent);

// The same question for the layer selected now, when its file cannot be read.
void OfferToReplaceUnreadable(LayerSession& session, QWidget* parent);

}  // namespace vidmora
