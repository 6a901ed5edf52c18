#pragma once

// The window's side of the update check and of the crash reporter: the
// message boxes, in the program's language, over the main window.
// User-interface thread.

#include "app/support/update_check.h"

class QWidget;

namespace vidmora {

class UpdateMessages : public UpdateNotifier {
 public:
  explicit UpdateMessages(QWidget* window) : window_(window) {}

  // "A new version of Vidmora is available, ..."; Yes opens the download page.
  void OfferUpdate(const ProgramVersion& published) override;
  void ReportLatest() override;
  void ReportFailure(const QString& reason) override;

 private:
  QWidget* window_;
};

// When an earlier run left a crash report not offered yet, asks whether to
// open its folder (and opens it on Yes). Each report is offered once.
void OfferCrashReport(QWidget* window, const QString& crashFolder);

}  // namespace vidmora
