#include "clock.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<const FakeClock*> g_fake{nullptr};

LocalTime ToLocal(std::int64_t unix_ms) {
  LocalTime out{};
  time_t seconds = static_cast<time_t>(unix_ms / 1000);
  localtime_r(&seconds, &out.tm);
  out.millis = static_cast<int>(unix_ms % 1000);
  return out;
}

}  // namespace

LocalTime LocalNow() {
  if (const FakeClock* fake = g_fake.load(std::memory_order_acquire)) return fake->Local();
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  LocalTime out{};
  localtime_r(&ts.tv_sec, &out.tm);
  out.millis = static_cast<int>(ts.tv_nsec / 1000000);
  return out;
}

std::int64_t UnixSeconds() {
  if (const FakeClock* fake = g_fake.load(std::memory_order_acquire)) return fake->Unix();
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return ts.tv_sec;
}

std::uint64_t TickMs() {
  if (const FakeClock* fake = g_fake.load(std::memory_order_acquire)) return fake->Tick();
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
}

FakeClock::FakeClock() : unix_ms_(0), tick_ms_(1000) {}

void FakeClock::SetLocal(int year, int month, int day, int hour, int minute, int second,
                         int millis) {
  struct tm tm {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  unix_ms_ = static_cast<std::int64_t>(mktime(&tm)) * 1000 + millis;
}

void FakeClock::Advance(std::int64_t millis) {
  unix_ms_ += millis;
  tick_ms_ += static_cast<std::uint64_t>(millis);
}

LocalTime FakeClock::Local() const { return ToLocal(unix_ms_.load()); }
std::int64_t FakeClock::Unix() const { return unix_ms_.load() / 1000; }

void SetClockForTesting(const FakeClock* clock) { g_fake.store(clock, std::memory_order_release); }

}  // namespace platform
