#include "shell/user_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

QString desktop_data_folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/tombora";
}

bool make_folder(const QString& path)
{
    QFileInfo parent(QFileInfo(path).absolutePath());
    if (!parent.isDir() && !QDir().mkpath(parent.absoluteFilePath()))
        return false;
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    return QFileInfo(path).isDir();
}

namespace {

// True when the path is a folder that no one but this user can enter or
// change: not a symbolic link, owned by the user, no access for group or
// others.
bool is_private_folder(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// Makes the folder with mode 0700 when missing; true when it is then a
// private folder.
bool make_private_folder(const QString& path)
{
    return make_folder(path) && is_private_folder(path);
}

// An absolute path from the environment, or empty.
QString absolute_env(const char* name)
{
    QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : QString();
}

QString cache_folder()
{
    QString cache = absolute_env("XDG_CACHE_HOME");
    return (cache.isEmpty() ? QDir::homePath() + "/.cache" : cache) + "/tombora";
}

}  // namespace

// The temporary folder is shared by every user, and a name in it is easy
// to guess: another user may have made it first. The runtime folder and
// the home folder are the user's alone.
QString private_runtime_folder()
{
    QString runtime = absolute_env("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && is_private_folder(runtime))
        return runtime;
    QString shared_tmp = QDir::tempPath() + QString("/tombora-%1").arg(::getuid());
    if (make_private_folder(shared_tmp))
        return shared_tmp;
    QString cache = cache_folder();
    if (make_private_folder(cache))
        return cache;
    return {};
}
