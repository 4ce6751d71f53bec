#pragma once
/// Keeps a second copy of the program from running beside the first: a lock file named
/// after the box model, held for as long as the owning object lives.

#include <QLockFile>
#include <QString>

namespace qb {

/// Model name the lock is named after.
inline constexpr const char* kInstanceModelName = "ZX7140K";
/// printf format of the lock name; filled with kInstanceModelName.
inline constexpr const char* kInstanceLockFormat = "QUORELBOX_%s";

/// The lock's file name, "QUORELBOX_ZX7140K".
QString InstanceLockName();

/// Folder the lock lives in: the user's runtime folder, or the temporary folder when
/// there is none.
QString DefaultInstanceLockDirectory();

/// RAII owner of the single-instance lock. Constructing it touches nothing; Acquire takes
/// the lock, destruction gives it back.
class SingleInstance {
 public:
  /// The lock in DefaultInstanceLockDirectory().
  SingleInstance();
  /// The lock in `directory` (created on Acquire when missing); tests use their own.
  explicit SingleInstance(const QString& directory);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  /// Takes the lock without waiting. Returns true when this object holds it afterwards
  /// (also when it already did); false when another live process or another object in
  /// this process holds it, or the folder cannot be written. A lock left behind by a
  /// process that no longer exists is removed and taken over.
  bool Acquire();

  /// True while this object holds the lock.
  bool Held() const;

  /// Full path of the lock file.
  QString LockPath() const;

 private:
  QString m_directory;
  QLockFile m_lock;  // declared after m_directory: its path is built from it
};

}  // namespace qb
