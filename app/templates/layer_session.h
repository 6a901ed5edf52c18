#pragma once

// The template being edited: its layer names, the selected layer's values
// (one EditedLayer that both editor pages change), and the undo of the last
// changes. Every change is written to the layer file at once; the values
// stay in memory for painting the preview. UI thread only.

#include "app/templates/store_result.h"
#include "shared/template/edited_layer.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace vidmora {

class LayerSession : public QObject {
  Q_OBJECT

 public:
  LayerSession(QString templatesFolder, QString templateName, QObject* parent = nullptr);

  const QString& TemplatesFolder() const { return folder_; }
  const QString& TemplateName() const { return templateName_; }
  const QStringList& LayerNames() const { return layerNames_; }
  // False when the template file could not be read (the list is then empty).
  bool TemplateReadable() const { return templateReadable_; }
  int CurrentIndex() const { return current_; }
  QString CurrentLayerName() const;
  // Whether a layer is selected and its file could be read: only then are
  // changes taken and saved.
  bool Editable() const { return current_ >= 0 && readable_; }
  const EditedLayer& Layer() const { return layer_; }

  // Selects the layer at `index` and reads its file. False when the file
  // cannot be read: the layer is then not editable until it is replaced.
  bool Select(int index);
  // Writes a new layer of default values over the selected layer's file and
  // selects it again.
  StoreResult ReplaceUnreadable();

  // Changes the selected layer, saves it and asks for a repaint. Successive
  // changes with the same `field` (a name for the value being edited, such
  // as "OffsetH") are one step for Undo. Ignored while not Editable.
  void Change(const QString& field, const std::function<void(EditedLayer&)>& edit);
  // Takes back the last change step of the selected layer. False when none.
  bool Undo();
  bool CanUndo() const { return !undo_.empty(); }
  // Writes the selected layer's values to its file (also without a change).
  bool Save();

  // Reads the template's layer list again (after a layer was added, renamed
  // or removed) and selects `index` (clamped to the list).
  void ReloadLayers(int index);

  // The layers as they are now, in template order, the selected one with its
  // unsaved-or-saved values from memory; layers whose files cannot be read
  // are left out.
  std::vector<EditedLayer> LayersForPainting() const;

 signals:
  // The selection, the list or the values changed otherwise than through
  // Change (select, undo, reload): pages show the values anew.
  void layerShown();
  // Values changed: the preview is painted again.
  void repaintRequested();
  // A change could not be written to the layer file.
  void saveFailed(const QString& message);

 private:
  struct UndoStep {
    QString field;
    EditedLayer before;
  };

  void LoadOthers();

  QString folder_;
  QString templateName_;
  QStringList layerNames_;
  bool templateReadable_ = false;
  int current_ = -1;
  bool readable_ = false;
  bool saveFailureReported_ = false;
  EditedLayer layer_;
  std::vector<EditedLayer> loaded_;    // every layer's values as read, by index
  std::vector<bool> loadedReadable_;   // whether each layer file could be read
  std::vector<UndoStep> undo_;
};

}  // namespace vidmora
