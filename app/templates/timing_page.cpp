#include "app/templates/timing_page.h"

#include "app/templates/layer_session.h"
#include "shared/template/edited_layer.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace vidmora {
namespace {

constexpr int kEndToTheEnd = 0, kEndAt = 1, kEndBeforeTheEnd = 2;

QDoubleSpinBox* SecondsBox(QWidget* parent, const char* name) {
  auto* box = new QDoubleSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(0, 24 * 3600);
  box->setDecimals(1);
  box->setSingleStep(0.5);
  box->setSuffix(QStringLiteral(" s"));
  box->setKeyboardTracking(false);
  return box;
}

int32_t Milliseconds(double seconds) { return static_cast<int32_t>(std::lround(seconds * 1000)); }

}  // namespace

TimingPage::TimingPage(LayerSession& session, QWidget* parent) : QWidget(parent), session_(session) {
  auto* layout = new QVBoxLayout(this);

  auto* when = new QGroupBox(QStringLiteral("When"), this);
  auto* whenForm = new QFormLayout(when);
  start_ = SecondsBox(when, "start_time_spin");
  whenForm->addRow(QStringLiteral("Start at"), start_);
  endKind_ = new QComboBox(when);
  endKind_->setObjectName(QStringLiteral("end_kind_combo"));
  endKind_->addItems({QStringLiteral("To the end"), QStringLiteral("End at"), QStringLiteral("End before the end by")});
  whenForm->addRow(QStringLiteral("End"), endKind_);
  end_ = SecondsBox(when, "end_time_spin");
  whenForm->addRow(QString(), end_);
  fadeIn_ = SecondsBox(when, "fade_in_spin");
  whenForm->addRow(QStringLiteral("Fade in"), fadeIn_);
  fadeOut_ = SecondsBox(when, "fade_out_spin");
  whenForm->addRow(QStringLiteral("Fade out"), fadeOut_);
  repeatEvery_ = SecondsBox(when, "repeat_every_spin");
  repeatEvery_->setSpecialValueText(QStringLiteral("Once"));
  whenForm->addRow(QStringLiteral("Repeat every"), repeatEvery_);
  showFor_ = SecondsBox(when, "show_for_spin");
  whenForm->addRow(QStringLiteral("Show for"), showFor_);
  layout->addWidget(when);

  auto* motion = new QGroupBox(QStringLiteral("Motion"), this);
  auto* motionForm = new QFormLayout(motion);
  motionKind_ = new QComboBox(motion);
  motionKind_->setObjectName(QStringLiteral("motion_kind_combo"));
  motionKind_->addItems({QStringLiteral("Still"), QStringLiteral("Drift"), QStringLiteral("Bounce"), QStringLiteral("Jump")});
  motionForm->addRow(QStringLiteral("Movement"), motionKind_);
  toLocation_ = new QComboBox(motion);
  toLocation_->setObjectName(QStringLiteral("motion_to_combo"));
  toLocation_->addItems({QStringLiteral("Top left"), QStringLiteral("Top centre"), QStringLiteral("Top right"),
                         QStringLiteral("Middle left"), QStringLiteral("Centre"), QStringLiteral("Middle right"),
                         QStringLiteral("Bottom left"), QStringLiteral("Bottom centre"), QStringLiteral("Bottom right")});
  motionForm->addRow(QStringLiteral("Drift to"), toLocation_);
  period_ = SecondsBox(motion, "motion_period_spin");
  motionForm->addRow(QStringLiteral("Period"), period_);
  speed_ = new QSpinBox(motion);
  speed_->setObjectName(QStringLiteral("motion_speed_spin"));
  speed_->setRange(0, 1000);
  speed_->setSuffix(QStringLiteral(" % of the width a second"));
  speed_->setKeyboardTracking(false);
  motionForm->addRow(QStringLiteral("Speed"), speed_);
  seed_ = new QSpinBox(motion);
  seed_->setObjectName(QStringLiteral("motion_seed_spin"));
  seed_->setRange(0, 999999);
  seed_->setKeyboardTracking(false);
  motionForm->addRow(QStringLiteral("Seed"), seed_);
  layout->addWidget(motion);
  layout->addStretch(1);

  const auto seconds = [this](QDoubleSpinBox* box, const char* field, int32_t EditedLayer::*value) {
    connect(box, &QDoubleSpinBox::valueChanged, this,
            [this, field, value](double s) { Store(field, [value, s](EditedLayer& l) { l.*value = Milliseconds(s); }); });
  };
  seconds(start_, "StartTime", &EditedLayer::startTime);
  seconds(fadeIn_, "FadeIn", &EditedLayer::fadeIn);
  seconds(fadeOut_, "FadeOut", &EditedLayer::fadeOut);
  seconds(repeatEvery_, "RepeatEvery", &EditedLayer::repeatEvery);
  seconds(showFor_, "ShowFor", &EditedLayer::showFor);
  seconds(period_, "MotionPeriod", &EditedLayer::motionPeriod);
  connect(endKind_, &QComboBox::currentIndexChanged, this, [this] {
    EnableForKind();
    StoreEnd();
  });
  connect(end_, &QDoubleSpinBox::valueChanged, this, [this] { StoreEnd(); });
  connect(motionKind_, &QComboBox::currentIndexChanged, this, [this](int kind) {
    EnableForKind();
    Store("MotionKind", [kind](EditedLayer& l) { l.motionKind = kind; });
  });
  connect(toLocation_, &QComboBox::currentIndexChanged, this,
          [this](int anchor) { Store("MotionToLocation", [anchor](EditedLayer& l) { l.motionToLocation = anchor; }); });
  connect(speed_, &QSpinBox::valueChanged, this,
          [this](int speed) { Store("MotionSpeed", [speed](EditedLayer& l) { l.motionSpeed = speed; }); });
  connect(seed_, &QSpinBox::valueChanged, this,
          [this](int seed) { Store("MotionSeed", [seed](EditedLayer& l) { l.motionSeed = seed; }); });
  connect(&session_, &LayerSession::layerShown, this, &TimingPage::ShowLayer);
  ShowLayer();
}

void TimingPage::Store(const char* field, const std::function<void(EditedLayer&)>& edit) {
  if (filling_) return;
  session_.Change(QString::fromLatin1(field), edit);
}

void TimingPage::StoreEnd() {
  const int kind = endKind_->currentIndex();
  const int32_t ms = Milliseconds(end_->value());
  Store("EndTime", [kind, ms](EditedLayer& l) {
    l.endTime = kind == kEndToTheEnd ? 0 : kind == kEndAt ? ms : -ms;
  });
}

void TimingPage::ShowLayer() {
  filling_ = true;
  const EditedLayer& layer = session_.Layer();
  start_->setValue(layer.startTime / 1000.0);
  endKind_->setCurrentIndex(layer.endTime == 0 ? kEndToTheEnd : layer.endTime > 0 ? kEndAt : kEndBeforeTheEnd);
  end_->setValue(std::abs(layer.endTime) / 1000.0);
  fadeIn_->setValue(layer.fadeIn / 1000.0);
  fadeOut_->setValue(layer.fadeOut / 1000.0);
  repeatEvery_->setValue(layer.repeatEvery / 1000.0);
  showFor_->setValue(layer.showFor / 1000.0);
  motionKind_->setCurrentIndex(layer.motionKind >= 0 && layer.motionKind <= 3 ? layer.motionKind : 0);
  toLocation_->setCurrentIndex(layer.motionToLocation >= 0 && layer.motionToLocation <= 8 ? layer.motionToLocation : 0);
  period_->setValue(layer.motionPeriod / 1000.0);
  speed_->setValue(layer.motionSpeed);
  seed_->setValue(layer.motionSeed);
  EnableForKind();
  setEnabled(session_.Editable());
  filling_ = false;
}

void TimingPage::EnableForKind() {
  end_->setEnabled(endKind_->currentIndex() != kEndToTheEnd);
  const int kind = motionKind_->currentIndex();
  toLocation_->setEnabled(kind == 1);
  period_->setEnabled(kind == 1 || kind == 3);
  speed_->setEnabled(kind == 2);
  seed_->setEnabled(kind == 3);
}

}  // namespace vidmora
