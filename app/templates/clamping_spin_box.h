#pragma once

// A number field that lets every value be typed and clamps when editing
// ends: while "150" is typed into a 100…255 field its "1" and "15" stand as
// typed (no value yet), and a value out of range ends at the nearer bound.
// In-range values are reported while they are typed.

#include <QSpinBox>

namespace vidmora {

class ClampingSpinBox : public QSpinBox {
  Q_OBJECT

 public:
  explicit ClampingSpinBox(QWidget* parent = nullptr);

 protected:
  QValidator::State validate(QString& text, int& pos) const override;
  void fixup(QString& text) const override;
};

}  // namespace vidmora

using vidmora::ClampingSpinBox;
