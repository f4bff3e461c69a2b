// Clean-up: which files a pass deletes, and the thread that the first line without
// LOG_NO_CLEANUP starts.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "clock.h"
#include "liblog.h"
#include "log_internal.h"
#include "log_test_util.h"

namespace {

void Touch(const std::string& path) {
  FILE* f = fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr) << path;
  fclose(f);
}

// Local calendar time `days` days from now (negative: in the past).
struct tm DaysFromNow(int days) {
  time_t now = time(nullptr);
  struct tm tm;
  localtime_r(&now, &tm);
  tm.tm_mday += days;
  tm.tm_isdst = -1;
  mktime(&tm);
  return tm;
}

TEST(LogCleanupTest, DeletesOnlyLogFilesOlderThanTheRetention) {
  const std::string dir = logtest::MakeTempDir();
  for (const char* name : {"Telvoq.20110214_15.Log", "other.20110214.Log", "lower.log", "keep.txt",
                           "Telvoq.Log.bak"})
    Touch(dir + "/" + name);
  mkdir((dir + "/folder.Log").c_str(), 0777);

  // Two days later with three days kept: nothing is old enough.
  EXPECT_EQ(liblog::internal::CleanLogDirectory(dir.c_str(), 3, DaysFromNow(2)), 0);
  EXPECT_EQ(logtest::ListDir(dir).size(), 6u);

  // Four days later: every .Log file of any stem goes; other files and folders stay.
  EXPECT_EQ(liblog::internal::CleanLogDirectory(dir.c_str(), 3, DaysFromNow(4)), 3);
  EXPECT_EQ(logtest::ListDir(dir), (std::vector<std::string>{"Telvoq.Log.bak", "folder.Log", "keep.txt"}));
  EXPECT_EQ(liblog::internal::CleanLogDirectory((dir + "/missing").c_str(), 3, DaysFromNow(4)), 0);
}

TEST(LogCleanupTest, RetentionTakesTheShortestFlag) {
  struct Case {
    unsigned int flags;
    int days;
  } cases[] = {{0, 0},
               {LOG_KEEP_186DAYS, 186},
               {LOG_KEEP_93DAYS | LOG_KEEP_186DAYS, 93},
               {LOG_KEEP_31DAYS | LOG_KEEP_93DAYS, 31},
               {LOG_KEEP_7DAYS | LOG_KEEP_31DAYS, 7},
               {LOG_KEEP_3DAYS | LOG_KEEP_186DAYS, 3},
               {LOG_KEEP_1DAY | LOG_KEEP_3DAYS, 1}};
  for (const Case& c : cases) EXPECT_EQ(liblog::internal::RetentionDays(c.flags), c.days) << c.flags;
}

TEST(LogCleanupTest, FirstLineWithoutNoCleanupStartsTheThreadWhichCleansAtOnce) {
  const std::string dir = logtest::MakeTempDir();
  Touch(dir + "/old.20110214_15.Log");
  Touch(dir + "/notes.txt");
  liblog::SetLogPath(dir.c_str());
  liblog::SetLogName("c");
  liblog::SetLogFlags(LOG_FILE | LOG_TIME | LOG_KEEP_3DAYS | LOG_TRACE);

  // Lines with LOG_NO_CLEANUP never start it.
  liblog::PrintEx(LOG_FILE | LOG_TIME | LOG_NO_CLEANUP | LOG_TRACE, "no clean-up");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(logtest::ListDir(dir).size(), 3u);

  platform::FakeClock later;  // five days on, so the files made just now are old
  struct tm tm = DaysFromNow(5);
  later.SetLocal(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  platform::SetClockForTesting(&later);
  liblog::Print("starts the clean-up");
  bool gone = false;
  for (int i = 0; i < 500 && !gone; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    gone = access((dir + "/old.20110214_15.Log").c_str(), F_OK) != 0;
  }
  platform::SetClockForTesting(nullptr);
  EXPECT_TRUE(gone);
  EXPECT_EQ(access((dir + "/notes.txt").c_str(), F_OK), 0);
}

}  // namespace
