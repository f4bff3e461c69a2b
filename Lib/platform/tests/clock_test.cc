#include "clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(ClockTest, RealClockReadingsAgree) {
  platform::LocalTime local = platform::LocalNow();
  std::int64_t unix_now = platform::UnixSeconds();
  struct tm copy = local.tm;
  std::int64_t from_local = static_cast<std::int64_t>(mktime(&copy));
  EXPECT_LE(std::llabs(unix_now - from_local), 1);
  EXPECT_GE(local.millis, 0);
  EXPECT_LE(local.millis, 999);

  std::uint64_t t1 = platform::TickMs();
  std::uint64_t t2 = platform::TickMs();
  EXPECT_LE(t1, t2);
}

TEST(ClockTest, FakeClockDrivesEveryReadingAndMovesThemTogether) {
  platform::FakeClock fake;
  fake.SetLocal(2011, 2, 14, 23, 59, 59, 900);
  platform::SetClockForTesting(&fake);

  platform::LocalTime t = platform::LocalNow();
  EXPECT_EQ(t.tm.tm_year, 111);
  EXPECT_EQ(t.tm.tm_mon, 1);
  EXPECT_EQ(t.tm.tm_mday, 14);
  EXPECT_EQ(t.tm.tm_hour, 23);
  EXPECT_EQ(t.millis, 900);
  std::uint64_t tick = platform::TickMs();
  std::int64_t unix_before = platform::UnixSeconds();

  fake.Advance(150);  // crosses midnight
  t = platform::LocalNow();
  EXPECT_EQ(t.tm.tm_mday, 15);
  EXPECT_EQ(t.tm.tm_hour, 0);
  EXPECT_EQ(t.tm.tm_sec, 0);
  EXPECT_EQ(t.millis, 50);
  EXPECT_EQ(platform::TickMs(), tick + 150);
  EXPECT_EQ(platform::UnixSeconds(), unix_before + 1);

  platform::SetClockForTesting(nullptr);
  EXPECT_GT(platform::LocalNow().tm.tm_year, 120);  // the real clock again
}

}  // namespace
