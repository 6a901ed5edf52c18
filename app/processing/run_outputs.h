#pragma once

// The outputs of one run, written or being written, shared by the jobs that
// run side by side: a job claims its output path before it writes, so that
// no two files of a run ever write or replace one output. Thread-safe.

#include <QString>
#include <QStringList>

#include <mutex>

namespace vidmora {

class RunOutputs {
 public:
  // Takes `path` for the calling job; false when the run has it already
  // (the same file under any spelling).
  bool Claim(const QString& path);
  // Gives back a claim whose output was not written.
  void Release(const QString& path);
  bool Has(const QString& path) const;
  QStringList Paths() const;

  // Held by a job while it decides its output path, so that jobs running
  // side by side decide one after the other, each seeing the others' claims.
  std::unique_lock<std::mutex> LockNaming() { return std::unique_lock(naming_); }

 private:
  std::mutex naming_;
  mutable std::mutex mutex_;
  QStringList paths_;
};

}  // namespace vidmora
