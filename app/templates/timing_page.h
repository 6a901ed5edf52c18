#pragma once

// The editor's "Timing" page for the selected layer: when it shows (start,
// end to the end / at a time / before the end), its fades, its repeats, and
// how it moves (still, drift to a second anchor, bounce, jump between the
// nine anchors). Times are edited in seconds and stored in milliseconds;
// every change goes through the session (saved at once, one undo step per
// field). UI thread.

#include "shared/template/edited_layer.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace vidmora {

class LayerSession;

class TimingPage : public QWidget {
  Q_OBJECT

 public:
  explicit TimingPage(LayerSession& session, QWidget* parent = nullptr);

 private:
  // Fills the controls from the selected layer without storing anything.
  void ShowLayer();
  void EnableForKind();
  // Stores an edit unless the controls are being filled.
  void Store(const char* field, const std::function<void(EditedLayer&)>& edit);
  void StoreEnd();

  LayerSession& session_;
  bool filling_ = false;
  QDoubleSpinBox* start_ = nullptr;
  QComboBox* endKind_ = nullptr;  // to the end, at, before the end
  QDoubleSpinBox* end_ = nullptr;
  QDoubleSpinBox* fadeIn_ = nullptr;
  QDoubleSpinBox* fadeOut_ = nullptr;
  QDoubleSpinBox* repeatEvery_ = nullptr;
  QDoubleSpinBox* showFor_ = nullptr;
  QComboBox* motionKind_ = nullptr;
  QComboBox* toLocation_ = nullptr;
  QDoubleSpinBox* period_ = nullptr;
  QSpinBox* speed_ = nullptr;
  QSpinBox* seed_ = nullptr;
};

}  // namespace vidmora
