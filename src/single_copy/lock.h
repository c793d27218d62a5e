// Only one copy of the game runs at a time: the first holds a lock file in
// a private folder of the user's (see private_runtime_folder) for as long
// as it runs.
#pragma once

#include <QLockFile>
#include <QString>

// The lock in that folder.
QString single_copy_lock_path(const QString& folder);

// Takes the lock; false while another copy runs. A lock left by a copy
// that crashed or was killed does not count.
bool take_single_copy_lock(QLockFile& lock);
