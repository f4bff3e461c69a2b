// Several writers at once, in separate processes and in threads of one process: each change
// re-reads the file under the lock, so no writer's values may be lost to another's rewrite.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "reg_test_dir.h"
#include "registry.h"

namespace platform {
namespace {

constexpr int kWriters = 4;
constexpr int kValuesEach = 20;
const char kKey[] = "SOFTWARE\\VX260\\Shared";

std::string ValueName(int writer, int i) {
  return "w" + std::to_string(writer) + "_" + std::to_string(i);
}

// Returns the number of failed calls.
int WriteValues(int writer) {
  int failures = 0;
  for (int i = 0; i < kValuesEach; ++i) {
    // A fresh handle per value, as short-lived callers do; some writers use their own sub-key
    // so that key creation races too.
    HKEY key = nullptr;
    std::string path = std::string(kKey) + (i % 2 ? "\\Sub" + std::to_string(writer) : "");
    if (RegCreateKey(HKEY_CURRENT_USER, path.c_str(), &key, nullptr) != 0) {
      ++failures;
      continue;
    }
    std::string name = ValueName(writer, i);
    std::string data = name + '\0';
    if (RegSetValue(key, name.c_str(), kRegSz, data.data(), static_cast<unsigned long>(data.size())) != 0)
      ++failures;
    RegCloseKey(key);
  }
  return failures;
}

class RegistryConcurrencyTest : public RegTestDir {
 protected:
  void ExpectEveryValue() {
    for (int w = 0; w < kWriters; ++w) {
      for (int i = 0; i < kValuesEach; ++i) {
        std::string path = std::string(kKey) + (i % 2 ? "\\Sub" + std::to_string(w) : "");
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, path.c_str(), &key), kRegOk) << path;
        std::string name = ValueName(w, i);
        char buf[64];
        unsigned long size = sizeof buf;
        EXPECT_EQ(RegQueryValue(key, name.c_str(), nullptr, buf, &size), kRegOk) << name;
        EXPECT_EQ(std::string(buf, size), name + '\0');
        RegCloseKey(key);
      }
    }
    // Nothing but the file and its lock is left behind: no stray temporary files.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"}));
  }
};

TEST_F(RegistryConcurrencyTest, WritersInSeparateProcessesLoseNothing) {
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) _exit(WriteValues(w) == 0 ? 0 : 1);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ExpectEveryValue();
}

TEST_F(RegistryConcurrencyTest, WritersInThreadsLoseNothing) {
  std::vector<int> failures(kWriters, 0);
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w)
    threads.emplace_back([w, &failures] { failures[w] = WriteValues(w); });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures, std::vector<int>(kWriters, 0));
  ExpectEveryValue();
}

}  // namespace
}  // namespace platform
