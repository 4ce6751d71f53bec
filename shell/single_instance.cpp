#include "shell/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace qb {

QString InstanceLockName() {
  return QString::asprintf(kInstanceLockFormat, kInstanceModelName);
}

QString DefaultInstanceLockDirectory() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

SingleInstance::SingleInstance() : SingleInstance(DefaultInstanceLockDirectory()) {}

SingleInstance::SingleInstance(const QString& directory)
    : m_directory(directory), m_lock(LockPath()) {
  // The program holds the lock for days. An age limit would let a second instance call a
  // live first instance's lock stale; only a lock whose process is gone may be taken over.
  m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;  // QLockFile unlocks on destruction

bool SingleInstance::Acquire() {
  if (m_lock.isLocked()) return true;
  if (!QDir().mkpath(m_directory)) return false;
  return m_lock.tryLock(0);
}

bool SingleInstance::Held() const { return m_lock.isLocked(); }

QString SingleInstance::LockPath() const { return QDir(m_directory).filePath(InstanceLockName()); }

}  // namespace qb
