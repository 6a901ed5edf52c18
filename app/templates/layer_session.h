#pragma once

// The template being edited: its layer names, the selected layer's values
// (one EditedLayer that both editor pages change), and the history of the
// session's changes. Every change is written to its files at once; the values
// stay in memory for painting the preview. The history keeps, per step, the
// bytes of every file the step wrote as they were before and after it, so
// undo, redo and revert put files back byte for byte, across layers and layer
// commands. UI thread only.

#include "app/processing/templates/store_result.h"
#include "shared/template/edited_layer.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <QByteArray>

#include <functional>
#include <map>
#include <optional>
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
  // The selected layer's file (its name is what the template file records).
  QString CurrentLayerPath() const;
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
  // changes of one layer with the same `field` (a name for the value being
  // edited, such as "OffsetH") are one step for Undo; typed text makes a step
  // per word (a step ends with a space). Ignored while not Editable.
  void Change(const QString& field, const std::function<void(EditedLayer&)>& edit);
  // Change for edits made outside the pages (dragging on the preview): the
  // pages then show the new values.
  void ChangeAndShow(const QString& field, const std::function<void(EditedLayer&)>& edit);
  // Runs a layer command (one that writes the template file, its layer
  // files, or new layer files it lists) as one step of the history, then
  // reads the layers again and selects `selectAfter` (clamped). The result
  // is the command's; a failed command leaves no step.
  StoreResult CommandStep(const std::function<StoreResult()>& command, const std::function<int()>& selectAfter);
  // Takes back the last step (selecting the layer it changed), or makes
  // the last undone step again. False when there is none.
  bool Undo();
  bool Redo();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Puts every file this session wrote back as it was when the session
  // began (files it made are removed) and forgets the history. False, with
  // saveFailed, when a file could not be put back.
  bool Revert();
  // The template file's path.
  QString TemplateFilePath() const;
  // Writes the selected layer's values to its file (also without a change).
  bool Save();

  // The layers as they are now, in template order, the selected one with its
  // unsaved-or-saved values from memory; layers whose files cannot be read
  // are left out.
  std::vector<EditedLayer> LayersForPainting() const;
  // The selected layer's place in LayersForPainting; -1 when it is not there.
  int SelectedPaintingIndex() const;

 signals:
  // The selection, the list or the values changed otherwise than through
  // Change (select, undo, reload): pages show the values anew.
  void layerShown();
  // Values changed: the preview is painted again.
  void repaintRequested();
  // A change could not be written to the layer file.
  void saveFailed(const QString& message);
  // A change (or undo, redo, revert) was written to the files.
  void saved();

 private:
  using FileBytes = std::map<QString, std::optional<QByteArray>>;  // path -> bytes (none: no file)
  struct Step {
    QString field;  // empty: a command, never merged
    int layer = -1;
    bool wordEnded = false;
    FileBytes before;
    FileBytes after;
  };

  void ReadList();
  void LoadOthers();
  // The files' bytes now; the first bytes seen of each are kept for Revert.
  FileBytes Capture(const QStringList& paths);
  bool Restore(const FileBytes& files);
  void Reload(int index);

  QString folder_;
  QString templateName_;
  QStringList layerNames_;
  QStringList layerPaths_;  // each layer's file, by index
  bool templateReadable_ = false;
  int current_ = -1;
  bool readable_ = false;
  bool saveFailureReported_ = false;
  EditedLayer layer_;
  std::vector<EditedLayer> loaded_;    // every layer's values as read, by index
  std::vector<bool> loadedReadable_;   // whether each layer file could be read
  std::vector<Step> undo_;
  std::vector<Step> redo_;
  FileBytes original_;  // every file the session touched, as it was at the start
};

}  // namespace vidmora
