#include "app/templates/layer_session.h"

#include "app/processing/templates/layer_store.h"
#include "app/processing/templates/listed_files.h"
#include "shared/io/atomic_file.h"
#include "shared/template/layer_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>
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
  ReadList();
  LoadOthers();
  // What Revert puts back: the template file and every layer file as they are now.
  QStringList files{TemplateFilePath()};
  files << layerPaths_;
  Capture(files);
  if (!layerNames_.isEmpty()) Select(0);
}

QString LayerSession::CurrentLayerName() const {
  return current_ >= 0 && current_ < layerNames_.size() ? layerNames_[current_] : QString();
}

QString LayerSession::CurrentLayerPath() const {
  return current_ >= 0 && current_ < layerPaths_.size() ? layerPaths_[current_] : QString();
}

void LayerSession::ReadList() {
  const auto layers = ReadStoredLayers(folder_, templateName_);
  templateReadable_ = layers.has_value();
  layerNames_.clear();
  layerPaths_.clear();
  for (const StoredLayer& layer : layers.value_or(std::vector<StoredLayer>())) {
    layerNames_ << layer.name;
    layerPaths_ << layer.path;
  }
}

void LayerSession::LoadOthers() {
  loaded_.assign(static_cast<size_t>(layerNames_.size()), NewLayerBase());
  loadedReadable_.assign(static_cast<size_t>(layerNames_.size()), false);
  for (qsizetype i = 0; i < layerNames_.size(); ++i) {
    loadedReadable_[static_cast<size_t>(i)] =
        LoadLayerFile(layerPaths_[i].toStdU16String(), loaded_[static_cast<size_t>(i)]);
  }
}

bool LayerSession::Select(int index) {
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
  readable_ = LoadLayerFile(layerPaths_[index].toStdU16String(), values);
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
  StoreResult result = ReplaceWithNewLayer(CurrentLayerPath());
  if (result.ok) Select(current_);
  return result;
}

QString LayerSession::TemplateFilePath() const { return NamedPath(folder_, templateName_); }

LayerSession::FileBytes LayerSession::Capture(const QStringList& paths) {
  FileBytes files;
  for (const QString& path : paths) {
    QFile file(path);
    std::optional<QByteArray> bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
    files[path] = bytes;
    original_.try_emplace(path, bytes);
  }
  return files;
}

bool LayerSession::Restore(const FileBytes& files) {
  bool ok = true;
  for (const auto& [path, bytes] : files) {
    if (!bytes) {
      if (QFileInfo::exists(path) && !QFile::remove(path)) ok = false;
      continue;
    }
    if (ReplaceFileAtomically(std::filesystem::path(path.toStdString()),
                              std::string_view(bytes->constData(), static_cast<size_t>(bytes->size()))))
      ok = false;
  }
  if (!ok) emit saveFailed(QStringLiteral("The template's files in %1 could not all be put back.").arg(folder_));
  return ok;
}

void LayerSession::Change(const QString& field, const std::function<void(EditedLayer&)>& edit) {
  if (!Editable()) return;
  EditedLayer before = layer_;
  edit(layer_);
  if (layer_ == before) return;
  const QString path = CurrentLayerPath();
  FileBytes bytesBefore = Capture({path});
  const bool written = Save();
  FileBytes bytesAfter = Capture({path});
  // Typing makes a step per word: the step ends with the space after it.
  const bool wordEnded = field == QLatin1String("textContent") && !layer_.textContent.empty() &&
                         layer_.textContent.back() == u' ';
  if (!undo_.empty() && undo_.back().field == field && undo_.back().layer == current_ && !undo_.back().wordEnded) {
    undo_.back().after = std::move(bytesAfter);
    undo_.back().wordEnded = wordEnded;
  } else {
    undo_.push_back({field, current_, wordEnded, std::move(bytesBefore), std::move(bytesAfter)});
    if (undo_.size() > kMaxUndoSteps) undo_.erase(undo_.begin());
  }
  redo_.clear();
  if (written) emit saved();
  emit repaintRequested();
}

void LayerSession::ChangeAndShow(const QString& field, const std::function<void(EditedLayer&)>& edit) {
  Change(field, edit);
  emit layerShown();
}

StoreResult LayerSession::CommandStep(const std::function<StoreResult()>& command,
                                      const std::function<int()>& selectAfter) {
  // Edits of the selected layer are on disk before the command reads its files.
  Save();
  QStringList paths{TemplateFilePath()};
  paths << layerPaths_;
  FileBytes bytesBefore = Capture(paths);
  StoreResult result = command();
  if (result.ok) {
    // Layer files the command listed anew were made by it (layer files are
    // always created new): before it they were not there.
    if (const auto layers = ReadStoredLayers(folder_, templateName_)) {
      for (const StoredLayer& layer : *layers) {
        if (paths.contains(layer.path)) continue;
        paths << layer.path;
        bytesBefore[layer.path] = std::nullopt;
        original_.try_emplace(layer.path, std::nullopt);
      }
    }
    undo_.push_back({QString(), current_, true, std::move(bytesBefore), Capture(paths)});
    if (undo_.size() > kMaxUndoSteps) undo_.erase(undo_.begin());
    redo_.clear();
    // The list as the command left it, then the layer it chose in it.
    Reload(current_);
    const int chosen = selectAfter();
    if (chosen != current_ && !layerNames_.isEmpty())
      Select(std::clamp(chosen, 0, static_cast<int>(layerNames_.size()) - 1));
    undo_.back().layer = current_;
    emit saved();
  }
  return result;
}

bool LayerSession::Undo() {
  if (undo_.empty()) return false;
  Step step = std::move(undo_.back());
  undo_.pop_back();
  const bool ok = Restore(step.before);
  const int layer = step.layer;
  redo_.push_back(std::move(step));
  Reload(layer);
  if (ok) emit saved();
  return true;
}

bool LayerSession::Redo() {
  if (redo_.empty()) return false;
  Step step = std::move(redo_.back());
  redo_.pop_back();
  const bool ok = Restore(step.after);
  const int layer = step.layer;
  undo_.push_back(std::move(step));
  Reload(layer);
  if (ok) emit saved();
  return true;
}

bool LayerSession::Revert() {
  const bool ok = Restore(original_);
  undo_.clear();
  redo_.clear();
  Reload(0);
  if (ok) emit saved();
  return ok;
}

void LayerSession::Reload(int index) {
  ReadList();
  LoadOthers();
  Select(layerNames_.isEmpty() ? -1 : std::clamp(index, 0, static_cast<int>(layerNames_.size()) - 1));
}

bool LayerSession::Save() {
  if (!Editable()) return false;
  loaded_[static_cast<size_t>(current_)] = layer_;
  const QString path = CurrentLayerPath();
  if (SaveLayerFile(path.toStdU16String(), layer_)) {
    saveFailureReported_ = false;
    return true;
  }
  const int error = errno;
  // Said once until a save works again, not at every keystroke.
  if (!saveFailureReported_) {
    saveFailureReported_ = true;
    emit saveFailed(QStringLiteral("The layer file %1 could not be written (%2); changes to this layer are not saved.")
                        .arg(path, FileErrorText(error)));
  }
  return false;
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

int LayerSession::SelectedPaintingIndex() const {
  if (current_ < 0 || !readable_) return -1;
  return static_cast<int>(std::count(loadedReadable_.begin(), loadedReadable_.begin() + current_, true));
}

}  // namespace vidmora
