#include "windows_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

TEST(WindowsDirTest, WindirThenXdgStateThenHome) {
  setenv("HOME", "/home/agent", 1);
  setenv("WINDIR", "/opt/win/", 1);
  setenv("XDG_STATE_HOME", "/var/state", 1);
  EXPECT_EQ(platform::WindowsDirectory(), "/opt/win");
  unsetenv("WINDIR");
  EXPECT_EQ(platform::WindowsDirectory(), "/var/state");
  setenv("XDG_STATE_HOME", "", 1);
  EXPECT_EQ(platform::WindowsDirectory(), "/home/agent/.local/state");
}

}  // namespace
