#include "shell/single_instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace qb {
namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  QString Dir() const { return m_dir.path(); }

  /// Runs `SingleInstance::Acquire` in a forked child that then dies without releasing
  /// anything, as a crashed program would. Returns the child's exit code (0: it held the
  /// lock), after the child has been reaped so that its process id is gone.
  int AcquireInChildAndDie() const {
    const pid_t child = ::fork();
    if (child == 0) {
      auto* instance = new SingleInstance(Dir());  // never destroyed: the lock stays behind
      ::_exit(instance->Acquire() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  QTemporaryDir m_dir;
};

TEST_F(SingleInstanceTest, TheLockIsNamedAfterTheModel) {
  EXPECT_EQ(InstanceLockName(), QStringLiteral("QUORELBOX_ZX7140K"));
  EXPECT_EQ(QFileInfo(SingleInstance(Dir()).LockPath()).fileName(),
            QStringLiteral("QUORELBOX_ZX7140K"));
}

TEST_F(SingleInstanceTest, ASecondHolderIsRefusedUntilTheFirstIsDestroyed) {
  auto first = std::make_unique<SingleInstance>(Dir());
  ASSERT_TRUE(first->Acquire());
  EXPECT_TRUE(first->Held());
  EXPECT_TRUE(first->Acquire()) << "asking again while holding it must not lose it";
  EXPECT_TRUE(QFileInfo::exists(first->LockPath()));

  SingleInstance second(Dir());
  EXPECT_FALSE(second.Acquire());
  EXPECT_FALSE(second.Held());

  first.reset();
  EXPECT_FALSE(QFileInfo::exists(second.LockPath()));
  EXPECT_TRUE(second.Acquire());
}

TEST_F(SingleInstanceTest, ALiveProcessHoldingTheLockKeepsIt) {
  int toChild[2];
  int fromChild[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(fromChild), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(toChild[1]);  // else the child's own copy keeps the pipe open forever
    SingleInstance instance(Dir());
    const char held = instance.Acquire() ? 'y' : 'n';
    (void)!::write(fromChild[1], &held, 1);
    char go = 0;
    (void)!::read(toChild[0], &go, 1);  // hold the lock until the parent is done
    ::_exit(0);
  }
  char held = 0;
  ASSERT_EQ(::read(fromChild[0], &held, 1), 1);
  EXPECT_EQ(held, 'y');

  SingleInstance here(Dir());
  EXPECT_FALSE(here.Acquire());

  ::close(toChild[1]);  // lets the child go
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(toChild[0]);
  ::close(fromChild[0]);
  ::close(fromChild[1]);
}

TEST_F(SingleInstanceTest, ALockLeftByADeadProcessIsTakenOver) {
  ASSERT_EQ(AcquireInChildAndDie(), 0);
  SingleInstance survivor(Dir());
  ASSERT_TRUE(QFileInfo::exists(survivor.LockPath())) << "the dead child left its lock";
  EXPECT_TRUE(survivor.Acquire());
}

TEST_F(SingleInstanceTest, AnOldLockOfALiveProcessIsNotTakenForStale) {
  // A lock file naming this (live) process, written a day ago, with nobody holding a
  // file lock on it: only its age could make it look stale.
  const QString path = SingleInstance(Dir()).LockPath();
  {
    QLockFile donor(Dir() + QStringLiteral("/donor"));
    ASSERT_TRUE(donor.tryLock(0));
    ASSERT_TRUE(QFile::copy(Dir() + QStringLiteral("/donor"), path));
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc().addDays(-1),
                               QFileDevice::FileModificationTime));
  file.close();

  SingleInstance late(Dir());
  EXPECT_FALSE(late.Acquire());
}

}  // namespace
}  // namespace qb
