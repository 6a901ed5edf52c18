#include "app/processing/batch_signals.h"

namespace vidmora {

BatchSignals::BatchSignals(QObject* parent) : QObject(parent) {
  // The signals' arguments cross threads in queued calls.
  qRegisterMetaType<RowStatus>();
  qRegisterMetaType<EncodeProgress>();
  qRegisterMetaType<RunSummary>();
  qRegisterMetaType<RunFraction>();
  qRegisterMetaType<MessageIcon>();
}

void BatchSignals::RunStarted(int rows) { emit runStarted(rows); }

void BatchSignals::RowStateChanged(int row, const RowStatus& status) { emit rowStateChanged(row, status); }

void BatchSignals::RowProgressed(int row, const EncodeProgress& progress) { emit rowProgressed(row, progress); }

void BatchSignals::RunProgressed(const RunFraction& run) { emit runProgressed(run); }

void BatchSignals::RunFinished(const RunSummary& summary) { emit runFinished(summary); }

void BatchSignals::ShowMessage(const QString& text, const QString& caption, MessageIcon icon) {
  emit message(text, caption, icon);
}

}  // namespace vidmora
