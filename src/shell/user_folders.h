// Folders of the user's own: the data folder a desktop player's files
// live in, and the private folder of the single-copy lock.
#pragma once

#include <QString>

// $XDG_DATA_HOME/tombora, or ~/.local/share/tombora.
QString desktop_data_folder();

// Makes the folder (and its parents) when missing, with mode 0700 for
// the folder itself; true when it is there. Its mode is not checked: the
// desktop's data folder is the player's to arrange.
bool make_folder(const QString& path);

// A private folder (not a symbolic link, owned by the user, no access
// for group or others) for the lock and the door of the running copy: the
// session's runtime folder; else <temporary folder>/tombora-UID; else
// $XDG_CACHE_HOME/tombora (~/.cache/tombora). A folder someone else made,
// or made open to others, is left alone and refused. Empty when none will
// do.
QString private_runtime_folder();
