#include "app/templates/text_edit_temp_dlg.h"

#include "app/settings/language_manager.h"
#include "app/templates/editor_conversions.h"
#include "app/templates/layer_field_binding.h"
#include "app/templates/layer_session.h"
#include "ui_text_edit_temp_dlg.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QMenu>
#include <QPalette>
#include <QSignalBlocker>

namespace vidmora {

namespace {

// Fields whose type differs from the color swatches' uint32_t.
uint32_t Text3DColorRef(const EditedLayer& layer) { return static_cast<uint32_t>(layer.text3DColor); }

}  // namespace

CTextEditTempDlg::CTextEditTempDlg(LayerSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui_(std::make_unique<Ui::CTextEditTempDlg>()) {
  ui_->setupUi(this);
  StyleEditorPage(*this, *ui_->layers_label);
  ui_->font_edit->setStyleSheet(QStringLiteral("color: #808080;"));

  auto* layers = new LayerListControls(session_, *ui_->layer_combo, *ui_->layer_btn, *this);
  connect(layers, &LayerListControls::commandChosen, this, &CTextEditTempDlg::RunLayerMenuCommand);
  connect(&session_, &LayerSession::layerShown, this, &CTextEditTempDlg::ShowLayer);
  ConnectEditors();
  ShowLayer();
}

CTextEditTempDlg::~CTextEditTempDlg() = default;

void CTextEditTempDlg::RunLayerMenuCommand(LayerCommand command) { RunLayerCommand(command, session_, this); }

bool CTextEditTempDlg::Store(const QString& field, const LayerEdit& edit) {
  if (showing_) return false;
  session_.Change(field, edit);
  return true;
}

void CTextEditTempDlg::BuildTokenMenu() {
  // Each token with what it stands for; the preview shows sample values.
  struct Entry {
    const char* token;
    const char* meaning;
  };
  static const Entry kEntries[] = {
      {"{file}", "File name"},
      {"{ext}", "File extension"},
      {"{folder}", "Folder name"},
      {"{date}", "Today's date"},
      {"{time}", "Time of the run"},
      {"{created}", "Date the video was made"},
      {"{index}", "Place in the run"},
      {"{count}", "Files in the run"},
      {nullptr, nullptr},
      {"{timecode}", "Timecode of the frame"},
      {"{frame}", "Frame number"},
      {"{seconds}", "Seconds into the video"},
      {nullptr, nullptr},
      {"{recipient}", "Recipient"},
      {"{recipient.Company}", "Recipient's column"},
  };
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("insert_token_menu"));
  for (const Entry& entry : kEntries) {
    if (entry.token == nullptr) {
      menu->addSeparator();
      continue;
    }
    const QString token = QString::fromLatin1(entry.token);
    QAction* action = menu->addAction(UiText(QString::fromLatin1(entry.meaning)) + "\t" + token);
    action->setData(token);
    connect(action, &QAction::triggered, this, [this, token] {
      ui_->text_edit->insert(token);
      ui_->text_edit->setFocus();
    });
  }
  ui_->insert_token_btn->setText(UiText(QStringLiteral("Insert token")));
  ui_->insert_token_btn->setToolTip(UiText(QStringLiteral("Text that each file, frame or recipient fills in")));
  ui_->insert_token_btn->setMenu(menu);
}

void CTextEditTempDlg::ConnectEditors() {
  Ui::CTextEditTempDlg& ui = *ui_;
  connect(ui.text_edit, &QLineEdit::textChanged, this, [this](const QString& text) {
    Store(QStringLiteral("textContent"), [&](EditedLayer& l) { l.textContent = text.toStdU16String(); });
  });
  connect(ui.font_choose_btn, &QPushButton::clicked, this, &CTextEditTempDlg::ChooseFont);
  BuildTokenMenu();
  const StoreLayerEdit store = [this](const QString& key, const LayerEdit& edit) { return Store(key, edit); };
  BindAnchor(*this, *ui.location_combo, *ui.offset_h_spin, *ui.offset_v_spin,
             {"Location", &EditedLayer::location, &EditedLayer::offsetH, &EditedLayer::offsetV}, store);
  BindNumberFields(*this,
                   {
                       {ui.offset_h_spin, "OffsetH", &EditedLayer::offsetH},
                       {ui.offset_v_spin, "OffsetV", &EditedLayer::offsetV},
                       {ui.shadow_h_spin, "ShadowH", &EditedLayer::shadowH},
                       {ui.shadow_v_spin, "ShadowV", &EditedLayer::shadowV},
                       {ui.shadow_blur_spin, "ShadowBR", &EditedLayer::shadowBlurRadius},
                       {ui.shadow_alpha_spin, "ShadowAlpha", &EditedLayer::shadowAlpha},
                       {ui.edge_alpha_spin, "EdgeAlpha", &EditedLayer::edgeAlpha},
                       {ui.text3d_offset_spin, "TDTextOffset", &EditedLayer::text3DOffset},
                   },
                   store);
  // A full turn is kept as no turn.
  connect(ui.rotation_spin, &QSpinBox::valueChanged, this, [this](int value) {
    Store(QStringLiteral("Rotation"), [&](EditedLayer& l) { l.rotation = value == 360 ? 0 : value; });
  });
  // The file keeps the text's alpha (0..255); people read it as a percentage.
  connect(ui.transparency_slider, &QSlider::valueChanged, this, [this](int value) {
    ui_->transparency_value_label->setText(QStringLiteral("%1 %").arg(qRound(value * 100.0 / 255)));
    Store(QStringLiteral("Transparency"), [&](EditedLayer& l) { l.transparency = value; });
  });
  connect(ui.edge_thickness_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
    Store(QStringLiteral("EdgeLineThickness"), [&](EditedLayer& l) { l.edgeLineThickness = index + 1; });
  });
  connect(ui.text3d_pos_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
    Store(QStringLiteral("TDTextPos"), [&](EditedLayer& l) { l.text3DPos = index; });
  });
  connect(ui.cover_method_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
    Store(QStringLiteral("coverImgMethod"), [&](EditedLayer& l) { l.coverImageMethod = index; });
  });

  struct Switch {
    QCheckBox* box;
    const char* key;
    int32_t EditedLayer::*value;
  };
  const Switch switches[] = {
      {ui.scale_text_check, "ScaleTextWT", &EditedLayer::scaleText},
      {ui.shadow_check, "BAddShadow", &EditedLayer::addShadow},
      {ui.fill_check, "BFillText", &EditedLayer::fillText},
      {ui.edge_check, "BDrawEdge", &EditedLayer::drawEdge},
      {ui.text3d_check, "B3DText", &EditedLayer::text3D},
      {ui.gradient_check, "BGradientText", &EditedLayer::gradientText},
      {ui.cover_check, "BCoverImage", &EditedLayer::coverImage},
  };
  for (const Switch& item : switches) {
    connect(item.box, &QCheckBox::toggled, this, [this, item](bool on) {
      Store(QString::fromLatin1(item.key), [&](EditedLayer& l) { l.*item.value = on ? 1 : 0; });
    });
  }

  connect(ui.fill_color_swatch, &QPushButton::clicked, this,
          [this] { ChooseColor(ui_->fill_color_swatch, QStringLiteral("TextColor"), &EditedLayer::textColor); });
  connect(ui.edge_color_swatch, &QPushButton::clicked, this,
          [this] { ChooseColor(ui_->edge_color_swatch, QStringLiteral("EdgeColor"), &EditedLayer::edgeColor); });
  connect(ui.gradient_begin_swatch, &QPushButton::clicked, this, [this] {
    ChooseColor(ui_->gradient_begin_swatch, QStringLiteral("GradientBeginColor"), &EditedLayer::gradientBeginColor);
  });
  connect(ui.gradient_end_swatch, &QPushButton::clicked, this, [this] {
    ChooseColor(ui_->gradient_end_swatch, QStringLiteral("GradientEndColor"), &EditedLayer::gradientEndColor);
  });
  // The 3D colour is kept signed in the file.
  connect(ui.text3d_color_swatch, &QPushButton::clicked, this, [this] {
    const QColor chosen = QColorDialog::getColor(ColorFromRef(Text3DColorRef(session_.Layer())), this,
                                                 QStringLiteral("Color"));
    if (!chosen.isValid()) return;
    Store(QStringLiteral("TDTextColor"), [&](EditedLayer& l) { l.text3DColor = static_cast<int32_t>(RefFromColor(chosen)); });
    ShowSwatch(ui_->text3d_color_swatch, Text3DColorRef(session_.Layer()));
  });
}

void CTextEditTempDlg::ChooseColor(QPushButton* swatch, const QString& field, uint32_t EditedLayer::*color) {
  const QColor chosen = QColorDialog::getColor(ColorFromRef(session_.Layer().*color), this, QStringLiteral("Color"));
  if (!chosen.isValid()) return;
  Store(field, [&](EditedLayer& l) { l.*color = RefFromColor(chosen); });
  ShowSwatch(swatch, session_.Layer().*color);
}

void CTextEditTempDlg::ChooseFont() {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, ChooserFontFromLogFont(session_.Layer().font), this, QStringLiteral("Font"));
  if (!ok) return;
  // The point size of the file stays: the painting takes the size from the font record.
  Store(QStringLiteral("Font"), [&](EditedLayer& l) { l.font = LogFontWithChoice(l.font, chosen); });
  ui_->font_edit->setText(FontDescription(session_.Layer().font));
}

void CTextEditTempDlg::ShowSwatch(QPushButton* swatch, uint32_t colorRef) {
  swatch->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid #808080; }")
                            .arg(ColorFromRef(colorRef).name()));
}

void CTextEditTempDlg::ShowLayer() {
  showing_ = true;
  const EditedLayer& layer = session_.Layer();
  Ui::CTextEditTempDlg& ui = *ui_;
  ui.text_edit->setText(QString::fromStdU16String(layer.textContent));
  ui.font_edit->setText(FontDescription(layer.font));
  ui.location_combo->setCurrentIndex(layer.location);
  ui.offset_h_spin->setValue(layer.offsetH);
  ui.offset_v_spin->setValue(layer.offsetV);
  ui.rotation_spin->setValue(layer.rotation);
  ui.transparency_slider->setValue(layer.transparency);
  ui.transparency_value_label->setText(QStringLiteral("%1 %").arg(qRound(ui.transparency_slider->value() * 100.0 / 255)));
  ui.scale_text_check->setChecked(layer.scaleText != 0);
  ui.shadow_check->setChecked(layer.addShadow != 0);
  ui.shadow_h_spin->setValue(layer.shadowH);
  ui.shadow_v_spin->setValue(layer.shadowV);
  ui.shadow_blur_spin->setValue(layer.shadowBlurRadius);
  ui.shadow_alpha_spin->setValue(layer.shadowAlpha);
  ui.fill_check->setChecked(layer.fillText != 0);
  ui.edge_check->setChecked(layer.drawEdge != 0);
  ui.edge_alpha_spin->setValue(layer.edgeAlpha);
  // A thickness outside the list leaves the list as it was.
  if (layer.edgeLineThickness >= 1 && layer.edgeLineThickness <= ui.edge_thickness_combo->count())
    ui.edge_thickness_combo->setCurrentIndex(layer.edgeLineThickness - 1);
  ui.text3d_check->setChecked(layer.text3D != 0);
  ui.text3d_offset_spin->setValue(layer.text3DOffset);
  ui.text3d_pos_combo->setCurrentIndex(layer.text3DPos);
  ui.gradient_check->setChecked(layer.gradientText != 0);
  ui.cover_check->setChecked(layer.coverImage != 0);
  ui.cover_method_combo->setCurrentIndex(layer.coverImageMethod);
  ShowSwatch(ui.fill_color_swatch, layer.textColor);
  ShowSwatch(ui.edge_color_swatch, layer.edgeColor);
  ShowSwatch(ui.text3d_color_swatch, Text3DColorRef(layer));
  ShowSwatch(ui.gradient_begin_swatch, layer.gradientBeginColor);
  ShowSwatch(ui.gradient_end_swatch, layer.gradientEndColor);

  // Only a layer whose file could be read takes edits; the list and the
  // layer button stay usable.
  const bool editable = session_.Editable();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isWindow() && child != ui.layer_combo && child != ui.layer_btn && child != ui.layers_label)
      child->setEnabled(editable);
  }
  showing_ = false;
}

}  // namespace vidmora
