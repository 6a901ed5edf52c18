#include "app/templates/edit_temp_img_dlg.h"

#include "app/templates/layer_field_binding.h"
#include "app/templates/layer_session.h"
#include "ui_edit_temp_img_dlg.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QSignalBlocker>

namespace vidmora {

namespace {

constexpr int kSizeLimit = 32767;

QString PicturePath(const EditedLayer& layer) { return QString::fromStdU16String(layer.imagePathName); }

// A picture that cannot be read has size 0 x 0.
QSize ReadPictureSize(const QString& path) {
  QImageReader reader(path);
  const QSize size = reader.size();
  return size.isValid() ? size : QSize(0, 0);
}

}  // namespace

const char kPictureFilter[] =
    "All Supported Files (*.jpg *.jpeg *.png *.bmp *.tif *.tiff *.gif);;"
    "Joint Photographic Experts (*.jpg);;"
    "Windows Bitmap Image (*.bmp);;"
    "Portable Network Graphics (*.png);;"
    "Tagged Image File Format (*.tif *.tiff)";

CEditTempImgDlg::CEditTempImgDlg(LayerSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui_(std::make_unique<Ui::CEditTempImgDlg>()) {
  ui_->setupUi(this);
  StyleEditorPage(*this, *ui_->layers_label);

  auto* layers = new LayerListControls(session_, *ui_->layer_combo, *ui_->layer_btn, *this);
  connect(layers, &LayerListControls::commandChosen, this, &CEditTempImgDlg::layerMenuCommand);
  connect(&session_, &LayerSession::layerShown, this, &CEditTempImgDlg::ShowLayer);
  ConnectEditors();
  ShowLayer();
}

CEditTempImgDlg::~CEditTempImgDlg() = default;

bool CEditTempImgDlg::Store(const QString& field, const LayerEdit& edit) {
  if (showing_) return false;
  session_.Change(field, edit);
  return true;
}

std::optional<QSize> CEditTempImgDlg::PictureSize() const {
  const QString path = PicturePath(session_.Layer());
  if (path.isEmpty() || !QFileInfo(path).isFile()) return std::nullopt;
  return ReadPictureSize(path);
}

void CEditTempImgDlg::ConnectEditors() {
  Ui::CEditTempImgDlg& ui = *ui_;
  connect(ui.image_browse_btn, &QPushButton::clicked, this, &CEditTempImgDlg::Browse);
  connect(ui.image_clear_btn, &QToolButton::clicked, this, &CEditTempImgDlg::ClearPicture);
  const StoreLayerEdit store = [this](const QString& key, const LayerEdit& edit) { return Store(key, edit); };
  BindAnchor(*this, *ui.image_location_combo, *ui.image_offset_h_spin, *ui.image_offset_v_spin,
             {"ImageLocation", &EditedLayer::imageLocation, &EditedLayer::imageOffsetH, &EditedLayer::imageOffsetV},
             store);
  // The rotation is stored as typed here, a full turn included.
  BindNumberFields(*this,
                   {
                       {ui.image_offset_h_spin, "ImageOffsetH", &EditedLayer::imageOffsetH},
                       {ui.image_offset_v_spin, "ImageOffsetV", &EditedLayer::imageOffsetV},
                       {ui.image_rotation_spin, "ImageRotation", &EditedLayer::imageRotation},
                       {ui.image_height_spin, "ImageHeight", &EditedLayer::imageHeight},
                   },
                   store);
  connect(ui.image_transparency_slider, &QSlider::valueChanged, this, [this](int value) {
    ui_->image_transparency_value_label->setText(QStringLiteral("%1 %").arg(value));
    Store(QStringLiteral("ImageTransparency"), [&](EditedLayer& l) { l.imageTransparency = value; });
  });
  connect(ui.image_width_spin, &QSpinBox::valueChanged, this, [this](int width) {
    if (showing_) return;
    const std::optional<QSize> picture = session_.Layer().scaleImage ? PictureSize() : std::nullopt;
    const bool coupled = picture && picture->width() > 0;
    // Integer arithmetic, the product first, as the size is shown.
    const int height = coupled ? static_cast<int>(int64_t{picture->height()} * width / picture->width()) : 0;
    session_.Change(QStringLiteral("ImageWidth"), [&](EditedLayer& l) {
      l.imageWidth = width;
      if (coupled) l.imageHeight = height;
    });
    if (coupled) {
      const QSignalBlocker blocker(ui_->image_height_spin);
      ui_->image_height_spin->setValue(height);
    }
  });
  connect(ui.scale_image_check, &QCheckBox::toggled, this, [this](bool on) {
    if (showing_) return;
    const std::optional<QSize> picture = PictureSize();
    session_.Change(QStringLiteral("ScaleImgWT"), [&](EditedLayer& l) {
      l.scaleImage = on ? 1 : 0;
      if (picture && l.imageWidth == 0) {
        l.imageWidth = picture->width();
        l.imageHeight = picture->height();
      }
    });
    ShowSize();
  });
}

void CEditTempImgDlg::Browse() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), QString(), QString::fromLatin1(kPictureFilter),
                                                    nullptr, QFileDialog::ReadOnly);
  if (!path.isEmpty()) UsePicture(path);
}

void CEditTempImgDlg::UsePicture(const QString& path) {
  const QSize size = ReadPictureSize(path);
  session_.Change(QStringLiteral("ImagePathName"), [&](EditedLayer& l) {
    l.imagePathName = path.toStdU16String();
    l.imageWidth = size.width();
    l.imageHeight = size.height();
  });
  showing_ = true;
  ui_->image_path_edit->setText(path);
  ui_->image_width_spin->setRange(1, std::max(1, 2 * size.width()));
  ui_->image_height_spin->setRange(1, std::max(1, 2 * size.height()));
  ui_->image_width_spin->setEnabled(true);
  ui_->image_height_spin->setEnabled(true);
  showing_ = false;
  ShowSize();
}

void CEditTempImgDlg::ClearPicture() {
  session_.Change(QStringLiteral("ImagePathName"), [](EditedLayer& l) {
    l.imagePathName.clear();
    l.imageWidth = 0;
    l.imageHeight = 0;
  });
  showing_ = true;
  ui_->image_path_edit->clear();
  ui_->image_width_spin->setRange(-kSizeLimit, kSizeLimit);
  ui_->image_height_spin->setRange(-kSizeLimit, kSizeLimit);
  showing_ = false;
  ShowSize();
}

void CEditTempImgDlg::ShowSize() {
  showing_ = true;
  ui_->image_width_spin->setValue(session_.Layer().imageWidth);
  ui_->image_height_spin->setValue(session_.Layer().imageHeight);
  showing_ = false;
}

void CEditTempImgDlg::ShowLayer() {
  showing_ = true;
  const EditedLayer& layer = session_.Layer();
  Ui::CEditTempImgDlg& ui = *ui_;
  ui.image_path_edit->setText(PicturePath(layer));
  ui.image_location_combo->setCurrentIndex(layer.imageLocation);
  ui.image_offset_h_spin->setValue(layer.imageOffsetH);
  ui.image_offset_v_spin->setValue(layer.imageOffsetV);
  ui.image_rotation_spin->setValue(layer.imageRotation);
  ui.image_transparency_slider->setValue(layer.imageTransparency);
  ui.image_transparency_value_label->setText(QStringLiteral("%1 %").arg(ui.image_transparency_slider->value()));
  ui.scale_image_check->setChecked(layer.scaleImage != 0);
  ui.image_width_spin->setRange(-kSizeLimit, kSizeLimit);
  ui.image_height_spin->setRange(-kSizeLimit, kSizeLimit);
  const bool editable = session_.Editable();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isWindow() && child != ui.layer_combo && child != ui.layer_btn && child != ui.layers_label)
      child->setEnabled(editable);
  }
  showing_ = false;

  // A picture shown without a size of its own gets the picture's size.
  const std::optional<QSize> picture = PictureSize();
  if (editable && picture && layer.imageWidth == 0) {
    session_.Change(QStringLiteral("ImageWidth"), [&](EditedLayer& l) {
      l.imageWidth = picture->width();
      l.imageHeight = picture->height();
    });
  }
  ShowSize();
}

}  // namespace vidmora
