#include "app/templates/layer_session.h"

#include "app/templates/layer_store.h"
#include "shared/template/layer_file.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace vidmora {

namespace {

constexpr size_t kMaxUndoSteps = 200;

// What a layer file's missing keys read as: the values the drawing library
// paints them with (all zero), so that the preview shows what the batch paints.
EditedLayer NewLayerBase() { return EditedLayer{}; }

}  // namespace

LayerSession::LayerSession(QString templatesFolder, QString templateName, QObject* parent)
    : QObject(parent), folder_(std::move(templatesFolder)), templateName_(std::move(templateName)) {
  const std::optional<QStringList> names = ReadLayerNames(folder_, templateName_);
  templateReadable_ = names.has_value();
  layerNames_ = names.value_or(QStringList());
  LoadOthers();
  if (!layerNames_.isEmpty()) Select(0);
}

QString LayerSession::CurrentLayerName() const {
  return current_ >= 0 && current_ < layerNames_.size() ? layerNames_[current_] : QString();
}

void LayerSession::LoadOthers() {
  loaded_.assign(static_cast<size_t>(layerNames_.size()), NewLayerBase());
  loadedReadable_.assign(static_cast<size_t>(layerNames_.size()), false);
  for (qsizetype i = 0; i < layerNames_.size(); ++i) {
    loadedReadable_[static_cast<size_t>(i)] =
        LoadLayerFile(LayerFilePath(folder_, layerNames_[i]).toStdU16String(), loaded_[static_cast<size_t>(i)]);
  }
}

bool LayerSession::Select(int index) {
  undo_.clear();
  saveFailureReported_ = false;
  if (index < 0 || index >= layerNames_.size()) {
    current_ = -1;
    readable_ = false;
    emit layerShown();
    emit repaintRequested();
    return false;
  }
  current_ = index;
  EditedLayer values = NewLayerBase();
  readable_ = LoadLayerFile(LayerFilePath(folder_, layerNames_[index]).toStdU16String(), values);
  if (readable_) {
    layer_ = values;
    loaded_[static_cast<size_t>(index)] = values;
    loadedReadable_[static_cast<size_t>(index)] = true;
  }
  emit layerShown();
  emit repaintRequested();
  return readable_;
}

StoreResult LayerSession::ReplaceUnreadable() {
  if (current_ < 0) return StoreResult::Failed(QStringLiteral("No layer is selected."));
  StoreResult result = ReplaceWithNewLayer(folder_, CurrentLayerName());
  if (result.ok) Select(current_);
  return result;
}

void LayerSession::Change(const QString& field, const std::function<void(EditedLayer&)>& edit) {
  if (!Editable()) return;
  EditedLayer before = layer_;
  edit(layer_);
  if (layer_ == before) return;
  if (undo_.empty() || undo_.back().field != field) {
    undo_.push_back({field, std::move(before)});
    if (undo_.size() > kMaxUndoSteps) undo_.erase(undo_.begin());
  }
  Save();
  emit repaintRequested();
}

bool LayerSession::Undo() {
  if (!Editable() || undo_.empty()) return false;
  layer_ = std::move(undo_.back().before);
  undo_.pop_back();
  Save();
  emit layerShown();
  emit repaintRequested();
  return true;
}

bool LayerSession::Save() {
  if (!Editable()) return false;
  loaded_[static_cast<size_t>(current_)] = layer_;
  const QString path = LayerFilePath(folder_, CurrentLayerName());
  if (SaveLayerFile(path.toStdU16String(), layer_)) {
    saveFailureReported_ = false;
    return true;
  }
  // Said once until a save works again, not at every keystroke.
  if (!saveFailureReported_) {
    saveFailureReported_ = true;
    emit saveFailed(QStringLiteral("The layer file %1 could not be written; changes to this layer are not saved.").arg(path));
  }
  return false;
}

void LayerSession::ReloadLayers(int index) {
  const std::optional<QStringList> names = ReadLayerNames(folder_, templateName_);
  templateReadable_ = names.has_value();
  layerNames_ = names.value_or(QStringList());
  LoadOthers();
  Select(layerNames_.isEmpty() ? -1 : std::clamp(index, 0, static_cast<int>(layerNames_.size()) - 1));
}

std::vector<EditedLayer> LayerSession::LayersForPainting() const {
  std::vector<EditedLayer> layers;
  for (size_t i = 0; i < loaded_.size(); ++i) {
    if (static_cast<int>(i) == current_ && readable_)
      layers.push_back(layer_);
    else if (loadedReadable_[i])
      layers.push_back(loaded_[i]);
  }
  return layers;
}

}  // namespace vidmora
