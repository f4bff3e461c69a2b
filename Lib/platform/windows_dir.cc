#include "windows_dir.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  if (const struct passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr)
    return pw->pw_dir;
  return "/tmp";
}

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string WindowsDirectory() {
  if (const char* windir = std::getenv("WINDIR"); windir != nullptr && *windir != '\0')
    return WithoutTrailingSlash(windir);
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0')
    return WithoutTrailingSlash(state);
  return HomeDirectory() + "/.local/state";
}

}  // namespace platform
