#include "shell/single_copy.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

QString single_copy_lock_path()
{
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return QDir::tempPath() + QString("/tombora-%1.lock").arg(getuid());
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/tombora.lock";
}

// QLockFile itself takes over a lock whose process has ended, also one
// that has not yet been waited for by its parent.
bool take_single_copy_lock(QLockFile& lock) { return lock.tryLock(0); }
