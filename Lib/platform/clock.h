// The one clock of the system: local calendar time with milliseconds, seconds since 1970 and a
// monotonic millisecond tick.
//
// Names and stamps (log files, statistics windows) use local time; elapsed-time rules use the
// tick, so a step of the wall clock neither fires nor delays them. The real clock reads only
// clock_gettime and localtime_r, so a time-faking preload library can shift a whole process.
// Unit tests install a FakeClock with SetClockForTesting instead of waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

namespace platform {

// One reading of the local calendar time. `millis` belongs to the same instant as `tm`.
struct LocalTime {
  struct tm tm;
  int millis;
};

LocalTime LocalNow();        // local calendar time, milliseconds 0-999
std::int64_t UnixSeconds();  // seconds since 1970-01-01 00:00 UTC
std::uint64_t TickMs();      // monotonic milliseconds since an arbitrary start

// A clock that only moves when told to. While installed, all three readings above come from
// it; the tick and the calendar time move together through Advance.
class FakeClock {
 public:
  FakeClock();
  // Sets local calendar time (month 1-12); the Unix reading follows from mktime.
  void SetLocal(int year, int month, int day, int hour, int minute, int second, int millis = 0);
  void Advance(std::int64_t millis);

  LocalTime Local() const;
  std::int64_t Unix() const;
  std::uint64_t Tick() const { return tick_ms_.load(); }

 private:
  // Atomic because logging threads read the clock while a test moves it.
  std::atomic<std::int64_t> unix_ms_;
  std::atomic<std::uint64_t> tick_ms_;
};

// Installs `clock` for the whole process (nullptr restores the real clock). The caller keeps
// ownership and must uninstall it before destroying it.
void SetClockForTesting(const FakeClock* clock);

}  // namespace platform
