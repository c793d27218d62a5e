// The private folder of the single-copy lock and the door: the session's
// runtime folder, else one of the user's own in the temporary folder, else
// one in the cache folder; never a folder someone else can reach.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <vector>

#include "shell/user_folders.h"

namespace {

// The three places the private folder may be, each in a scratch folder of
// the test's own, and the environment put back afterwards.
struct PrivateRuntimeFolderTest : ::testing::Test {
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

TEST_F(PrivateRuntimeFolderTest, ThePrivateRuntimeFolderIsUsed)
{
    ASSERT_EQ(mkdir(QFile::encodeName(runtime).constData(), 0700), 0);
    EXPECT_EQ(private_runtime_folder(), runtime);
}

// A runtime folder others may enter, or none at all: a folder of the
// user's own in the temporary folder, made private.
TEST_F(PrivateRuntimeFolderTest, WithoutAPrivateRuntimeFolderTheUsersOwnTemporaryFolder)
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
TEST_F(PrivateRuntimeFolderTest, AForeignOrOpenFolderInTheTemporaryFolderIsNotUsed)
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
