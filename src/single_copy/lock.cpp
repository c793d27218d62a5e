#include "single_copy/lock.h"

#include <chrono>
#include <thread>

QString single_copy_lock_path(const QString& folder) { return folder + "/tombora.lock"; }

namespace {

bool holds_a_copys_number(const QLockFile& lock)
{
    qint64 pid = 0;
    QString host, app;
    return lock.getLockInfo(&pid, &host, &app);
}

}  // namespace

// QLockFile itself takes over a lock whose process has ended, also one
// that has not yet been waited for by its parent. It honours an empty lock
// for 30 s, though, and a copy killed between creating its lock and writing
// its number into it leaves just that. A copy starting this very moment
// fills its lock within microseconds, and while it runs it holds the file
// locked, so that removing it fails.
bool take_single_copy_lock(QLockFile& lock)
{
    if (lock.tryLock(0))
        return true;
    if (holds_a_copys_number(lock))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (holds_a_copys_number(lock))
        return false;
    lock.removeStaleLockFile();
    return lock.tryLock(0);
}
