#include "app/templates/layer_field_binding.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QSpinBox>

namespace vidmora {

void BindNumberFields(QObject& context, std::initializer_list<LayerNumberField> fields, const StoreLayerEdit& store) {
  for (const LayerNumberField& field : fields) {
    QObject::connect(field.spin, &QSpinBox::valueChanged, &context, [store, field](int value) {
      store(QString::fromLatin1(field.key), [&](EditedLayer& layer) { layer.*field.value = value; });
    });
  }
}

void BindAnchor(QObject& context, QComboBox& location, QSpinBox& offsetH, QSpinBox& offsetV,
                const LayerAnchorFields& fields, const StoreLayerEdit& store) {
  QObject::connect(&location, &QComboBox::currentIndexChanged, &context, [&offsetH, &offsetV, fields, store](int index) {
    const bool stored = store(QString::fromLatin1(fields.key), [&](EditedLayer& layer) {
      layer.*fields.location = index;
      layer.*fields.offsetH = 0;
      layer.*fields.offsetV = 0;
    });
    if (!stored) return;
    const QSignalBlocker h(offsetH), v(offsetV);
    offsetH.setValue(0);
    offsetV.setValue(0);
  });
}

}  // namespace vidmora
