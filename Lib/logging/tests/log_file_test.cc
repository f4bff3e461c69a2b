// Files: whole lines under concurrency, directory creation, and the keep-open queued mode.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "clock.h"
#include "liblog.h"
#include "log_test_util.h"

namespace {

constexpr unsigned int kDirect = LOG_FILE | LOG_NO_CLEANUP | LOG_TIME_MSEC | LOG_TRACE;

TEST(LogFileTest, ConcurrentWritersLeaveEveryLineWhole) {
  const std::string dir = logtest::MakeTempDir();
  liblog::SetLogPath(dir.c_str());
  liblog::SetLogName("race");
  constexpr int kThreads = 8, kLines = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        liblog::PrintEx(kDirect | LOG_FILE_DAILY, "thread %d line %06d %s", t, i,
                        "padding-padding-padding-padding-padding-padding-padding");
    });
  }
  for (std::thread& th : threads) th.join();

  std::string content;
  for (const std::string& name : logtest::ListDir(dir)) content += logtest::ReadFile(dir + "/" + name);
  std::vector<std::string> lines = logtest::SplitCrLf(content);
  ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines));
  std::map<int, int> next;  // each thread's lines arrive whole and in its own order
  for (const std::string& line : lines) {
    int t = -1, i = -1;
    ASSERT_EQ(sscanf(line.c_str() + 30, "thread %d line %d", &t, &i), 2) << line;
    ASSERT_EQ(i, next[t]++) << line;
    ASSERT_EQ(line.substr(line.size() - 7), "padding") << line;
  }
}

TEST(LogFileTest, MissingDirectoryChainIsCreatedByTheFirstLine) {
  const std::string dir = logtest::MakeTempDir() + "/Tirvex/Telvoq/LOG";
  platform::FakeClock clock;
  clock.SetLocal(2011, 2, 14, 15, 0, 0);
  platform::SetClockForTesting(&clock);
  liblog::SetLogPath(dir.c_str());
  liblog::SetLogName("Telvoq");
  liblog::PrintEx(LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_INFO, "first");
  platform::SetClockForTesting(nullptr);
  EXPECT_EQ(logtest::ReadFile(dir + "/Telvoq.20110214_15.Log"), "2011/02/14 15:00:00  INFO first\r\n");
}

TEST(LogFileTest, MakeLogDirectoryCreatesEachLevelAndReportsFailure) {
  const std::string base = logtest::MakeTempDir();
  EXPECT_EQ(liblog::MakeLogDirectory((base + "/a/b/c").c_str()), 1);
  struct stat st;
  EXPECT_EQ(stat((base + "/a/b/c").c_str(), &st), 0);
  EXPECT_EQ(liblog::MakeLogDirectory((base + "/a/b/c").c_str()), 1) << "existing is fine";
  EXPECT_EQ(liblog::MakeLogDirectory((base + "/a/b/c/").c_str()), 1);

  // A plain file in the way cannot become a directory.
  FILE* f = fopen((base + "/file").c_str(), "w");
  fclose(f);
  EXPECT_EQ(liblog::MakeLogDirectory((base + "/file/sub").c_str()), -1);
  EXPECT_EQ(liblog::MakeLogDirectory(nullptr), -1);
}

TEST(LogFileTest, UnwritableDirectoryLosesTheLineAndLaterLinesStillWork) {
  const std::string base = logtest::MakeTempDir();
  FILE* f = fopen((base + "/blocker").c_str(), "w");
  fclose(f);
  liblog::SetLogName("x");
  liblog::SetLogPath((base + "/blocker/sub").c_str());
  liblog::PrintEx(kDirect, "cannot be written");  // must not crash
  liblog::SetLogPath(base.c_str());
  liblog::PrintEx(kDirect | LOG_FILE_DAILY, "written");
  std::vector<std::string> files = logtest::ListDir(base);
  ASSERT_EQ(files.size(), 2u);
  std::string log = files[0] == "blocker" ? files[1] : files[0];
  EXPECT_NE(logtest::ReadFile(base + "/" + log).find("written\r\n"), std::string::npos);
}

TEST(LogFileTest, DirectLinesReopenSoAMovedFileIsRecreated) {
  const std::string dir = logtest::MakeTempDir();
  liblog::SetLogPath(dir.c_str());
  liblog::SetLogName("moved");
  platform::FakeClock clock;
  clock.SetLocal(2020, 5, 6, 7, 8, 9);
  platform::SetClockForTesting(&clock);
  liblog::PrintEx(LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_TRACE, "one");
  ASSERT_EQ(rename((dir + "/moved.20200506_07.Log").c_str(), (dir + "/aside").c_str()), 0);
  liblog::PrintEx(LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_TRACE, "two");
  platform::SetClockForTesting(nullptr);
  EXPECT_EQ(logtest::ReadFile(dir + "/aside"), "2020/05/06 07:08:09 TRACE one\r\n");
  EXPECT_EQ(logtest::ReadFile(dir + "/moved.20200506_07.Log"), "2020/05/06 07:08:09 TRACE two\r\n");
}

}  // namespace
