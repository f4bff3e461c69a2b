// Where this system's per-user files go. Both are returned without a trailing slash.
#pragma once

#include <string>

namespace platform {

// What programs of this system treat as the Windows directory: $WINDIR when set, else
// $XDG_STATE_HOME, else ~/.local/state.
std::string WindowsDirectory();

// $HOME, else the password database's home of the user, else /tmp.
std::string HomeDirectory();

}  // namespace platform
