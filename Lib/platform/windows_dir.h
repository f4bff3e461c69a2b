// The directory that programs of this system treat as the Windows directory: $WINDIR when set,
// else $XDG_STATE_HOME, else ~/.local/state. Returned without a trailing slash.
#pragma once

#include <string>

namespace platform {

std::string WindowsDirectory();

}  // namespace platform
