// Only one copy of the game runs at a time: the first holds a lock file in
// the user's runtime folder for as long as it runs.
#pragma once

#include <QLockFile>
#include <QString>

// Where the lock lives: the user's runtime folder, or the temporary folder
// under a name of the user's own where the session has none.
QString single_copy_lock_path();

// Takes the lock; false while another copy runs. A lock left by a copy
// that crashed or was killed does not count.
bool take_single_copy_lock(QLockFile& lock);
