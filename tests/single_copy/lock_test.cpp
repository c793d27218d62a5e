// One copy at a time: a running copy holds the lock; a dead one does not,
// not even before its parent has noticed its end. The lock lives in a
// folder no other user can reach.
#include <gtest/gtest.h>

#include <QFile>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "shell/user_folders.h"
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

// The three places the lock may live, each in a scratch folder of the
// test's own, and the environment put back afterwards.
struct LockFolderTest : ::testing::Test {
    QTemporaryDir scratch;
    QString runtime = scratch.filePath("runtime");
    QString tmp = scratch.filePath("tmp");
    QString cache = scratch.filePath("cache");
    QString shared = tmp + QString("/tombora-%1").arg(getuid());
    std::vector<std::pair<const char*, std::optional<QByteArray>>> saved;

    void SetUp() override
    {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "XDG_CACHE_HOME"})
            saved.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        ASSERT_TRUE(QDir().mkpath(tmp));
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        qputenv("TMPDIR", tmp.toUtf8());
        qputenv("XDG_CACHE_HOME", cache.toUtf8());
    }
    void TearDown() override
    {
        for (auto& [name, value] : saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }
    static mode_t mode_of(const QString& path)
    {
        struct stat st {};
        lstat(QFile::encodeName(path).constData(), &st);
        return st.st_mode & 07777;
    }
    static uid_t owner_of(const QString& path)
    {
        struct stat st {};
        lstat(QFile::encodeName(path).constData(), &st);
        return st.st_uid;
    }
};

TEST_F(LockFolderTest, ThePrivateRuntimeFolderIsUsed)
{
    ASSERT_EQ(mkdir(QFile::encodeName(runtime).constData(), 0700), 0);
    EXPECT_EQ(private_runtime_folder(), runtime);
    EXPECT_EQ(single_copy_lock_path(private_runtime_folder()), runtime + "/tombora.lock");
}

// A runtime folder others may enter, or none at all: a folder of the
// user's own in the temporary folder, made private.
TEST_F(LockFolderTest, WithoutAPrivateRuntimeFolderTheUsersOwnTemporaryFolder)
{
    ASSERT_EQ(mkdir(QFile::encodeName(runtime).constData(), 0700), 0);
    ASSERT_EQ(chmod(QFile::encodeName(runtime).constData(), 0755), 0);
    EXPECT_EQ(private_runtime_folder(), shared);
    EXPECT_EQ(mode_of(shared), 0700u);
    EXPECT_EQ(owner_of(shared), getuid());
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(private_runtime_folder(), shared);
}

// Someone else got to the predictable name first: whatever stands there
// is left alone, and the lock goes to the user's cache folder.
TEST_F(LockFolderTest, AForeignOrOpenFolderInTheTemporaryFolderIsNotUsed)
{
    qunsetenv("XDG_RUNTIME_DIR");
    QString elsewhere = scratch.filePath("elsewhere");
    ASSERT_EQ(mkdir(QFile::encodeName(elsewhere).constData(), 0700), 0);
    struct Case {
        const char* what;
        std::function<bool()> make;
    };
    std::vector<Case> cases{
        {"open to others", [&] { return mkdir(QFile::encodeName(shared).constData(), 0777) == 0
                                       && chmod(QFile::encodeName(shared).constData(), 0777) == 0; }},
        {"a link to a private folder",
         [&] { return symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(shared).constData()) == 0; }},
        {"a file", [&] { QFile f(shared); return f.open(QIODevice::WriteOnly); }},
    };
    if (getuid() == 0)  // only the superuser can give a folder away
        cases.push_back({"another user's", [&] {
                             return mkdir(QFile::encodeName(shared).constData(), 0700) == 0
                                    && chown(QFile::encodeName(shared).constData(), 65534, 65534) == 0;
                         }});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(shared);
        QDir(shared).removeRecursively();
        QDir(cache).removeRecursively();
        ASSERT_TRUE(c.make());
        mode_t before = mode_of(shared);
        EXPECT_EQ(private_runtime_folder(), cache + "/tombora");
        EXPECT_EQ(mode_of(cache + "/tombora"), 0700u);
        EXPECT_EQ(mode_of(shared), before);  // not made private behind its owner's back
        EXPECT_EQ(mode_of(elsewhere), 0700u);
    }
    // With the cache folder taken too, there is nowhere safe: none.
    ASSERT_EQ(chmod(QFile::encodeName(cache + "/tombora").constData(), 0755), 0);
    EXPECT_EQ(private_runtime_folder(), QString());
}

}  // namespace
