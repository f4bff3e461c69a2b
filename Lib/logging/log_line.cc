// The layout of one log line and the name of the file it goes to.
#include <cstdio>
#include <cstring>

#include "liblog.h"
#include "log_internal.h"

namespace liblog::internal {

const char* LevelLabel(unsigned int flags) {
  unsigned int level = (flags & LOG_LEVELS) != 0 ? flags & LOG_LEVELS : DefaultLevel();
  level &= kLevelMask;
  if (level & LOG_ERROR) return "ERROR";
  if (level & LOG_INFO) return "INFO";
  if (level & LOG_TRACE) return "TRACE";
  if (level & LOG_DEBUG) return "DEBUG";  // unreachable while DEBUG is outside the mask
  return nullptr;
}

int FormatLine(char* buffer, unsigned int flags, const char* label, const platform::LocalTime& t,
               const char* format, va_list args) {
  if (flags & LOG_NO_LEVEL) label = "";
  const struct tm& tm = t.tm;
  int prefix;
  if (flags & LOG_TIME) {
    prefix = snprintf(buffer, kLineBuffer, "%04d/%02d/%02d %02d:%02d:%02d %5.5s ",
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec, label);
  } else if (flags & LOG_TIME_MSEC) {
    prefix = snprintf(buffer, kLineBuffer, "%04d/%02d/%02d %02d:%02d:%02d.%03d %5.5s ",
                      tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                      tm.tm_sec, t.millis, label);
  } else {
    prefix = snprintf(buffer, kLineBuffer, "%5.5s ", label);
  }
  if (prefix < 0) prefix = 0;
  if (prefix > kMaxLineText) prefix = kMaxLineText;  // only a clock gone mad gets here

  int room = kMaxLineText - prefix;  // characters the message may take
  int message = vsnprintf(buffer + prefix, static_cast<size_t>(room) + 1, format, args);
  if (message < 0) message = 0;  // a conversion failed: keep the prefix alone
  if (message > room) message = room;
  buffer[prefix + message] = '\0';
  return prefix + message;
}

int ComposeFileName(char* name, size_t size, const char* directory, unsigned int flags,
                    const struct tm& tm) {
  int year = tm.tm_year + 1900, month = tm.tm_mon + 1, day = tm.tm_mday, hour = tm.tm_hour;
  int bucket = flags & LOG_FILE_10MIN   ? 10
               : flags & LOG_FILE_20MIN ? 20
               : flags & LOG_FILE_30MIN ? 30
                                        : 0;
  const char* stem = LogName();
  int n;
  if (bucket != 0) {
    n = snprintf(name, size, "%.260s/%.260s.%04d%02d%02d_%02d%02d.Log", directory, stem, year,
                 month, day, hour, tm.tm_min - tm.tm_min % bucket);
  } else if (flags & LOG_FILE_DAILY) {
    n = snprintf(name, size, "%.260s/%.260s.%04d%02d%02d.Log", directory, stem, year, month, day);
  } else {
    n = snprintf(name, size, "%.260s/%.260s.%04d%02d%02d_%02d.Log", directory, stem, year, month,
                 day, hour);
  }
  if (n < 0) n = 0;
  if (static_cast<size_t>(n) >= size) n = static_cast<int>(size) - 1;
  return n;
}

void WriteConsole(char* text, int length) {
  text[length] = '\n';
  fwrite(text, 1, static_cast<size_t>(length) + 1, stdout);  // one call: lines stay whole
  fflush(stdout);
  text[length] = '\0';
}

}  // namespace liblog::internal
