// A full ring: the 129th line is lost and the overflow line is written straight to the file;
// the 128 waiting lines are delivered once the queue thread runs. Its own process, because
// the queue thread may not have started yet.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "clock.h"
#include "liblog.h"
#include "log_internal.h"
#include "log_test_util.h"

namespace {

TEST(LogQueueOverflowTest, OneHundredTwentyNinthLineIsLostAndReported) {
  const std::string dir = logtest::MakeTempDir();
  liblog::SetLogPath(dir.c_str());
  liblog::SetLogName("o");
  liblog::SetLogFlags(LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_QUEUED | LOG_CLIENT | LOG_TRACE);
  platform::FakeClock clock;
  clock.SetLocal(2011, 2, 14, 9, 0, 0);
  platform::SetClockForTesting(&clock);

  const unsigned int flags = LOG_FILE | LOG_NO_CLEANUP | LOG_TIME | LOG_QUEUED | LOG_TRACE;
  platform::LocalTime now = platform::LocalNow();
  liblog::internal::QueueLine line{0, flags, dir.c_str(), &now};
  for (int i = 0; i < 128; ++i) {
    std::string text = "2011/02/14 09:00:00 TRACE line " + std::to_string(i);
    ASSERT_TRUE(liblog::internal::Enqueue(line, text.c_str(), static_cast<int>(text.size())));
  }
  EXPECT_EQ(liblog::internal::QueuedLineCount(), 128);
  EXPECT_FALSE(liblog::internal::Enqueue(line, "lost", 4));

  const std::string path = dir + "/o.20110214_09.Log";
  EXPECT_EQ(logtest::ReadFile(path),
            "2011/02/14 09:00:00 ERROR liblog::Queue buffer overflow !!! Queue buffer size must be "
            "increased.\r\n");

  liblog::internal::StartQueueThread();
  std::vector<std::string> lines;
  for (int i = 0; i < 500 && lines.size() < 129; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    lines = logtest::SplitCrLf(logtest::ReadFile(path));
  }
  ASSERT_EQ(lines.size(), 129u);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(lines[1 + i], "2011/02/14 09:00:00 TRACE line " + std::to_string(i));
  platform::SetClockForTesting(nullptr);
}

}  // namespace
