#include "app/processing/batch_signals.h"

#include <QMetaObject>

namespace vidmora {

BatchSignals::BatchSignals(QObject* parent) : QObject(parent) {
  // For receivers that connect with queued connections of their own.
  qRegisterMetaType<RowStatus>();
  qRegisterMetaType<EncodeProgress>();
  qRegisterMetaType<RunSummary>();
  qRegisterMetaType<MessageIcon>();
}

template <typename F>
void BatchSignals::Post(F emitter) {
  // Queued even when called on the adapter's own thread, so that every event
  // reaches the receivers in the same way and in order.
  QMetaObject::invokeMethod(this, std::move(emitter), Qt::QueuedConnection);
}

void BatchSignals::RunStarted(int rows) {
  Post([this, rows] { emit runStarted(rows); });
}

void BatchSignals::RowStateChanged(int row, const RowStatus& status) {
  Post([this, row, status] { emit rowStateChanged(row, status); });
}

void BatchSignals::RowProgressed(int row, const EncodeProgress& progress) {
  Post([this, row, progress] { emit rowProgressed(row, progress); });
}

void BatchSignals::RunFinished(const RunSummary& summary) {
  Post([this, summary] { emit runFinished(summary); });
}

void BatchSignals::ShowMessage(const QString& text, const QString& caption, MessageIcon icon) {
  Post([this, text, caption, icon] { emit message(text, caption, icon); });
}

}  // namespace vidmora
