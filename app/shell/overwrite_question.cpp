#include "app/shell/overwrite_question.h"

#include "app/settings/language_manager.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace vidmora {

OverwriteQuestion::OverwriteQuestion(QWidget* window, QObject* parent) : QObject(parent), window_(window) {}

OverwriteQuestion::~OverwriteQuestion() { Cancel(); }

void OverwriteQuestion::BeginRun() {
  std::lock_guard lock(mutex_);
  forAll_.reset();
  cancelled_ = false;
}

void OverwriteQuestion::Cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  answered_.notify_all();
  if (box_) box_->close();
}

std::optional<ExistingOutputs> OverwriteQuestion::Ask(const QString& path) {
  std::lock_guard asking(asking_);
  std::unique_lock lock(mutex_);
  if (cancelled_) return std::nullopt;
  if (forAll_) return forAll_;
  const int question = ++question_;
  hasAnswer_ = false;
  QMetaObject::invokeMethod(
      this, [this, path, question] { Show(path, question); }, Qt::QueuedConnection);
  answered_.wait(lock, [this] { return hasAnswer_ || cancelled_; });
  if (cancelled_) return std::nullopt;
  return answer_;
}

void OverwriteQuestion::Show(const QString& path, int question) {
  {
    std::lock_guard lock(mutex_);
    if (cancelled_ || question != question_) return;
  }
  ++shown_;
  auto* box = new QMessageBox(window_);
  box->setObjectName(QStringLiteral("existing_output_box"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setIcon(QMessageBox::Question);
  box->setWindowTitle(ProgramCaption());
  const QFileInfo file(path);
  box->setText(UiText(QStringLiteral("%1 exists already in %2."))
                   .arg(file.fileName(), QDir::toNativeSeparators(file.absolutePath())));
  box->setInformativeText(
      UiText(QStringLiteral("Keep both writes the new output under a free name beside it. Replace takes its place "
                            "once the new output is complete. Skip leaves it and does not watermark this file.")));
  const auto add = [box](const char* text, const char* name, QMessageBox::ButtonRole role) {
    QPushButton* button = box->addButton(UiText(QString::fromUtf8(text)), role);
    button->setObjectName(QString::fromLatin1(name));
    return button;
  };
  QPushButton* keepBoth = add("Keep both", "keep_both_btn", QMessageBox::AcceptRole);
  QPushButton* replace = add("Replace", "replace_btn", QMessageBox::DestructiveRole);
  QPushButton* skip = add("Skip", "skip_btn", QMessageBox::RejectRole);
  box->setDefaultButton(keepBoth);
  // Escape and closing the box skip the file: nothing is lost.
  box->setEscapeButton(skip);
  auto* forAll = new QCheckBox(UiText(QStringLiteral("Do this for the rest of the run")), box);
  forAll->setObjectName(QStringLiteral("for_all_check"));
  box->setCheckBox(forAll);
  connect(box, &QMessageBox::finished, this, [this, box, question, keepBoth, replace, forAll] {
    const QAbstractButton* clicked = box->clickedButton();
    const ExistingOutputs answer = clicked == keepBoth  ? ExistingOutputs::KeepBoth
                                   : clicked == replace ? ExistingOutputs::Replace
                                                        : ExistingOutputs::Skip;
    Answer(question, answer, forAll->isChecked());
  });
  box_ = box;
  box->open();
}

void OverwriteQuestion::Answer(int question, ExistingOutputs answer, bool forAll) {
  {
    std::lock_guard lock(mutex_);
    // Closing the box on Cancel answers it too; the job has been told to end.
    if (cancelled_ || question != question_ || hasAnswer_) return;
    answer_ = answer;
    hasAnswer_ = true;
    if (forAll) forAll_ = answer;
  }
  answered_.notify_all();
}

}  // namespace vidmora
