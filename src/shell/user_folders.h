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

// True when the path is a folder that no one but this user can enter or
// change: not a symbolic link, owned by the user, no access for group or
// others.
bool is_private_folder(const QString& path);

// Makes the folder with mode 0700 when missing; true when it is then a
// private folder. A folder someone else made, or made open to others, is
// left alone and refused.
bool make_private_folder(const QString& path);

// A private folder for the lock and the door of the running copy: the
// session's runtime folder; else <temporary folder>/tombora-UID; else
// $XDG_CACHE_HOME/tombora (~/.cache/tombora). Empty when none will do.
QString private_runtime_folder();
