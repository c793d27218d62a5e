// One copy at a time: a running copy holds the lock; a dead one does not,
// not even before its parent has noticed its end. (The private folder it
// lives in is tested with the user's folders, in tests/shell.)
#include <gtest/gtest.h>

#include <QFile>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "single_copy/lock.h"

namespace {

// A child process that takes the lock and then sleeps or ends at once
// (ended, it stays a zombie until waited for). Returns once the child has
// the lock with its number written in it: seeing the file is not enough,
// as it is created before it is filled.
pid_t copy_holding(const QString& path, bool keep_running)
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        QLockFile lock(path);
        if (!lock.tryLock(0))
            _exit(1);
        char locked = 1;
        if (write(ready[1], &locked, 1) != 1)
            _exit(1);
        if (keep_running)
            pause();
        _exit(0);  // no destructor: the lock file stays behind
    }
    close(ready[1]);
    char locked = 0;
    bool ok = read(ready[0], &locked, 1) == 1;
    close(ready[0]);
    return ok ? pid : -1;
}

bool has_ended(pid_t pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
}

TEST(SingleCopy, ARunningCopyKeepsTheLock)
{
    QTemporaryDir dir;
    QString path = dir.filePath("tombora.lock");
    pid_t first = copy_holding(path, true);
    ASSERT_GT(first, 0);
    QLockFile second(path);
    EXPECT_FALSE(take_single_copy_lock(second));
    kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    EXPECT_TRUE(take_single_copy_lock(second));  // killed and gone
}

TEST(SingleCopy, AKilledCopyNotYetWaitedForDoesNotBlock)
{
    QTemporaryDir dir;
    QString path = dir.filePath("tombora.lock");
    pid_t first = copy_holding(path, false);
    ASSERT_GT(first, 0);
    for (int i = 0; i < 500 && !has_ended(first); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(has_ended(first));
    QLockFile second(path);
    EXPECT_TRUE(take_single_copy_lock(second));
    waitpid(first, nullptr, 0);
}

TEST(SingleCopy, AnEmptyLockLeftByACopyKilledWhileWritingItDoesNotBlock)
{
    QTemporaryDir dir;
    QString path = dir.filePath("tombora.lock");
    QFile empty(path);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QLockFile lock(path);
    EXPECT_TRUE(take_single_copy_lock(lock));
    qint64 pid = 0;
    QString host, app;
    ASSERT_TRUE(lock.getLockInfo(&pid, &host, &app));
    EXPECT_EQ(pid, getpid());
}

// Every version of the game looks for the same lock in the private folder.
TEST(SingleCopy, TheLockLiesInThePrivateFolder)
{
    EXPECT_EQ(single_copy_lock_path("/run/user/1000"), "/run/user/1000/tombora.lock");
}

TEST(SingleCopy, ACopyStartingThisMomentIsWaitedForAndKeepsItsLock)
{
    QTemporaryDir dir;
    QString path = dir.filePath("tombora.lock");
    QFile empty(path);
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    // The other copy fills its lock a moment after creating it.
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QFile filled(path);
        if (filled.open(QIODevice::WriteOnly))
            filled.write(QByteArray::number(getpid()) + "\nsingle_copy_test\n" +
                         QSysInfo::machineHostName().toUtf8() + "\n");
    });
    QLockFile lock(path);
    bool taken = take_single_copy_lock(lock);
    other.join();
    EXPECT_FALSE(taken);
}

}  // namespace
