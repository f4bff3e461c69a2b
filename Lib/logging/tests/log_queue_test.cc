// Queued mode: the queue thread delivers lines in order, keeps its file open between lines
// unless told to reopen, and the ring wraps around.
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

constexpr unsigned int kQueued = LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_TRACE | LOG_QUEUED;

// Waits until `path` holds at least `bytes` bytes or five seconds pass.
std::string WaitForContent(const std::string& path, size_t bytes) {
  std::string content;
  for (int i = 0; i < 500; ++i) {
    content = logtest::ReadFile(path);
    if (content.size() >= bytes) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return content;
}

class LogQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = logtest::MakeTempDir();
    liblog::SetLogPath(dir_.c_str());
    liblog::SetLogName("q");
    liblog::SetLogFlags(LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_TRACE);
    clock_.SetLocal(2011, 2, 14, 9, 5, 7);
    platform::SetClockForTesting(&clock_);
  }
  void TearDown() override { platform::SetClockForTesting(nullptr); }
  std::string Path(const char* suffix = "20110214_09.Log") { return dir_ + "/q." + suffix; }

  std::string dir_;
  platform::FakeClock clock_;
};

TEST_F(LogQueueTest, QueuedLinesArriveInOrderWithTheDirectLayoutAndWrapTheRing) {
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    while (liblog::internal::QueuedLineCount() > 100) std::this_thread::sleep_for(std::chrono::microseconds(200));
    liblog::PrintEx(kQueued, "queued %d \xBB\xF3\xB4\xE3", i);
    expected += "2011/02/14 09:05:07 TRACE queued " + std::to_string(i) + " \xBB\xF3\xB4\xE3\r\n";
  }
  EXPECT_EQ(WaitForContent(Path(), expected.size()), expected);
}

TEST_F(LogQueueTest, QueueThreadKeepsItsFileOpenUnlessTheLineAsksToReopen) {
  liblog::PrintEx(kQueued, "one");
  ASSERT_EQ(WaitForContent(Path(), 1), "2011/02/14 09:05:07 TRACE one\r\n");
  ASSERT_EQ(rename(Path().c_str(), (dir_ + "/aside").c_str()), 0);

  liblog::PrintEx(kQueued, "two");  // goes to the file still open, now called aside
  EXPECT_EQ(WaitForContent(dir_ + "/aside", 62), "2011/02/14 09:05:07 TRACE one\r\n"
                                                  "2011/02/14 09:05:07 TRACE two\r\n");
  liblog::PrintEx(kQueued | LOG_REOPEN, "three");  // opened by name: a new file
  EXPECT_EQ(WaitForContent(Path(), 33), "2011/02/14 09:05:07 TRACE three\r\n");

  clock_.SetLocal(2011, 2, 14, 10, 0, 0);  // a new name closes the old file
  liblog::PrintEx(kQueued, "four");
  EXPECT_EQ(WaitForContent(Path("20110214_10.Log"), 32), "2011/02/14 10:00:00 TRACE four\r\n");
}

TEST_F(LogQueueTest, QueuedConsoleLinesGoToStandardOutput) {
  testing::internal::CaptureStdout();
  liblog::PrintEx(LOG_CONSOLE | LOG_TIME | LOG_INFO | LOG_QUEUED, "shown later");
  liblog::PrintEx(kQueued, "marker");  // delivered after the console line
  WaitForContent(Path(), 33);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "2011/02/14 09:05:07  INFO shown later\n");
}

}  // namespace
