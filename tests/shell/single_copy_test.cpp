// One copy at a time: a running copy holds the lock; a dead one does not,
// not even before its parent has noticed its end.
#include <gtest/gtest.h>

#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "shell/single_copy.h"

namespace {

// A child process that takes the lock and then sleeps or ends at once
// (ended, it stays a zombie until waited for).
pid_t copy_holding(const QString& path, bool keep_running)
{
    pid_t pid = fork();
    if (pid == 0) {
        QLockFile lock(path);
        if (!lock.tryLock(0))
            _exit(1);
        if (keep_running)
            pause();
        _exit(0);  // no destructor: the lock file stays behind
    }
    // Wait until the lock file is there.
    for (int i = 0; i < 500 && !QFile::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return pid;
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
    for (int i = 0; i < 500 && !has_ended(first); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(has_ended(first));
    QLockFile second(path);
    EXPECT_TRUE(take_single_copy_lock(second));
    waitpid(first, nullptr, 0);
}

}  // namespace
