#pragma once

// Ties an editor page's controls to fields of the edited layer: every change
// of a control is handed to the page's store function under the layer file's
// key. The page's store function ignores changes made while it fills the
// controls from the layer, and says so by returning false.

#include "shared/template/edited_layer.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>

class QComboBox;
class QObject;
class QSpinBox;

namespace vidmora {

using LayerEdit = std::function<void(EditedLayer&)>;
// Stores one edit under a key; false when the page is filling its controls.
using StoreLayerEdit = std::function<bool(const QString& key, const LayerEdit& edit)>;

struct LayerNumberField {
  QSpinBox* spin;
  const char* key;
  int32_t EditedLayer::*value;
};

// Each spin box's value goes to its field as typed.
void BindNumberFields(QObject& context, std::initializer_list<LayerNumberField> fields, const StoreLayerEdit& store);

struct LayerAnchorFields {
  const char* key;
  int32_t EditedLayer::*location;
  int32_t EditedLayer::*offsetH;
  int32_t EditedLayer::*offsetV;
};

// A new anchor starts without offsets: choosing one in `location` stores it
// with both offsets 0 and shows 0 in the offset boxes (without storing them
// again).
void BindAnchor(QObject& context, QComboBox& location, QSpinBox& offsetH, QSpinBox& offsetV,
                const LayerAnchorFields& fields, const StoreLayerEdit& store);

}  // namespace vidmora
