#include "app/processing/run_outputs.h"

#include "app/processing/file_checks.h"

#include <QFileInfo>

namespace vidmora {

namespace {

bool Contains(const QStringList& paths, const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  for (const QString& other : paths)
    if (other == absolute || IsSameFile(path, other)) return true;
  return false;
}

}  // namespace

bool RunOutputs::Claim(const QString& path) {
  std::lock_guard lock(mutex_);
  if (Contains(paths_, path)) return false;
  paths_ << QFileInfo(path).absoluteFilePath();
  return true;
}

void RunOutputs::Release(const QString& path) {
  std::lock_guard lock(mutex_);
  paths_.removeOne(QFileInfo(path).absoluteFilePath());
}

bool RunOutputs::Has(const QString& path) const {
  std::lock_guard lock(mutex_);
  return Contains(paths_, path);
}

QStringList RunOutputs::Paths() const {
  std::lock_guard lock(mutex_);
  return paths_;
}

}  // namespace vidmora
