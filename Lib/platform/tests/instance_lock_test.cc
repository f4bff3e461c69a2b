#include "instance_lock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/instance-lock-XXXXXX";
    dir_ = mkdtemp(pattern);
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  std::string dir_;
};

// A second process is what the guard is for; flock is per open file, so a child that opens
// the file again competes like another instance would.
bool AcquireInChild(const char* name) {
  pid_t pid = fork();
  if (pid == 0) {
    platform::InstanceLock lock;
    _exit(lock.Acquire(name) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(InstanceLockTest, SecondInstanceIsRefusedUntilTheFirstLetsGo) {
  platform::InstanceLock first;
  ASSERT_TRUE(first.Acquire("Vantrik"));
  EXPECT_EQ(first.path(), dir_ + "/Vantrik.lock");
  EXPECT_FALSE(AcquireInChild("Vantrik"));
  EXPECT_TRUE(AcquireInChild("Other"));
  first.Release();
  EXPECT_TRUE(AcquireInChild("Vantrik"));
}

TEST_F(InstanceLockTest, FallsBackToTmpAndRefusesEmptyNames) {
  setenv("XDG_RUNTIME_DIR", "/nonexistent/dir", 1);
  platform::InstanceLock lock;
  ASSERT_TRUE(lock.Acquire("instance-lock-test-fallback"));
  EXPECT_EQ(lock.path(), "/tmp/instance-lock-test-fallback.lock");
  platform::InstanceLock none;
  EXPECT_FALSE(none.Acquire(""));
  EXPECT_FALSE(none.Acquire(nullptr));
}

}  // namespace
