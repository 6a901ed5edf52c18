#pragma once

// The window's answer to "an output file exists already": a question shown on
// the user-interface thread while the job that asks waits on its own thread.
//
// Ask is called by the batch's jobs (transcode_job.h); it hands the question
// to this object's thread with a queued call and waits there for the user.
// Widgets are made and read on this object's thread only. An answer given
// "for all" answers every later question of the run without a dialog; Cancel
// (the window closing during a run) answers a waiting job with nothing, so
// that it ends at once.

#include "app/processing/transcode_job.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>

class QMessageBox;
class QWidget;

namespace vidmora {

class OverwriteQuestion : public QObject, public ExistingOutputQuestion {
  Q_OBJECT

 public:
  // The dialog is shown over `window` (it may be null in tests of the engine).
  explicit OverwriteQuestion(QWidget* window, QObject* parent = nullptr);
  ~OverwriteQuestion() override;

  // A run begins: no answer is kept from the last one.
  void BeginRun();
  // Ends the wait of a job that asks, and of any that asks later in this run.
  void Cancel();

  // On a job's thread, never this object's: blocks until the user answers
  // (KeepBoth, Replace or Skip).
  std::optional<ExistingOutputs> Ask(const QString& path) override;

  // The questions shown since the program began (for tests).
  int TimesShown() const { return shown_; }

 private:
  void Show(const QString& path, int question);
  void Answer(int question, ExistingOutputs answer, bool forAll);

  QPointer<QWidget> window_;
  QPointer<QMessageBox> box_;  // the question on screen
  int shown_ = 0;              // this object's thread only

  std::mutex asking_;  // one question at a time
  std::mutex mutex_;   // what follows
  std::condition_variable answered_;
  int question_ = 0;  // the number of the question waited for
  bool hasAnswer_ = false;
  std::optional<ExistingOutputs> answer_;
  std::optional<ExistingOutputs> forAll_;
  bool cancelled_ = false;
};

}  // namespace vidmora
