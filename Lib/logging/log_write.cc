// WriteLog and its two front doors: the path of one line from the caller to its outputs.
#include <cstring>

#include "liblog.h"
#include "log_internal.h"

namespace liblog {

void WriteLog(const char* lpDirectory, unsigned int uFlags, const char* lpFormat, va_list args) {
  if (lpFormat == nullptr) return;
  if (lpDirectory == nullptr) lpDirectory = GetLogPath();
  const platform::LocalTime now = platform::LocalNow();  // one reading for stamp and file name

  const char* label = internal::LevelLabel(uFlags);
  if (label == nullptr) return;

  if (uFlags & (LOG_QUEUED | LOG_CLIENT)) internal::StartQueueThread();
  internal::QueueLine queued{0, uFlags, lpDirectory, &now};
  if (uFlags & LOG_QUEUED) {
    internal::EnqueueFormatted(queued, label, lpFormat, args);
    return;
  }

  char line[internal::kLineBuffer];
  int length = internal::FormatLine(line, uFlags, label, now, lpFormat, args);
  if (uFlags & LOG_CONSOLE) internal::WriteConsole(line, length);
  if (uFlags & LOG_CLIENT) {
    queued.kind = 1;
    internal::Enqueue(queued, line, length);
  }
  if (uFlags & LOG_FILE) {
    memcpy(line + length, "\r\n", 3);
    internal::WriteLogFile(lpDirectory, uFlags, line, length + 2, now.tm);
  }
}

void Print(const char* lpFormat, ...) {
  va_list args;
  va_start(args, lpFormat);
  WriteLog(GetLogPath(), GetLogFlags(), lpFormat, args);
  va_end(args);
}

void PrintEx(unsigned int uFlags, const char* lpFormat, ...) {
  va_list args;
  va_start(args, lpFormat);
  WriteLog(GetLogPath(), uFlags, lpFormat, args);
  va_end(args);
}

}  // namespace liblog
