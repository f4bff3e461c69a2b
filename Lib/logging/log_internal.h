// Pieces of liblog shared between its files; not for callers of the library.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <ctime>

#include "clock.h"
#include "liblog.h"

namespace liblog::internal {

constexpr int kMaxPath = 260;       // directory and stem fields keep this many characters
constexpr int kLineBuffer = 4096;   // one line: prefix, message, CR LF and NUL
constexpr int kMaxLineText = 4093;  // prefix and message together
constexpr unsigned int kLevelMask = LOG_ERROR | LOG_INFO | LOG_TRACE;  // fixed: DEBUG never passes

// Starts `body` on a detached thread with the default stack; false when it cannot start.
bool StartDetachedThread(void* (*body)(void*));

// Configuration (log_config.cc).
const char* LogName();
unsigned int DefaultLevel();

// The label of the line's level after the mask, or nullptr when the line is to be dropped.
const char* LevelLabel(unsigned int flags);

// Formats prefix and message into `buffer` (kLineBuffer bytes) and returns the length of the
// text, at most kMaxLineText; room for CR LF and NUL stays free behind it.
int FormatLine(char* buffer, unsigned int flags, const char* label, const platform::LocalTime& t,
               const char* format, va_list args) __attribute__((format(printf, 5, 0)));

// Composes the file name of a line written at `tm` into `name` (`size` bytes, at least
// kFileNameBuffer); returns its length.
constexpr int kFileNameBuffer = 2 * kMaxPath + 64;
int ComposeFileName(char* name, size_t size, const char* directory, unsigned int flags,
                    const struct tm& tm);

// Appends `length` bytes to the line's file (log_file.cc). Direct lines open and close the
// file; queued lines without LOG_REOPEN keep one file open (queue thread only).
void WriteLogFile(const char* directory, unsigned int flags, const char* bytes, int length,
                  const struct tm& tm);

// Prints one line to standard output; `text` has room for the LF at text[length].
void WriteConsole(char* text, int length);

// The queue (log_queue.cc). Enqueue reserves a slot, lets `fill` write the text into it and
// publishes it; false when the ring is full (the overflow line is then already written).
struct QueueLine {
  unsigned char kind;  // 0: a line to deliver by its flags; 1: a copy for the log viewers
  unsigned int flags;
  const char* directory;
  const platform::LocalTime* time;
};
bool Enqueue(const QueueLine& line, const char* text, int length);
bool EnqueueFormatted(const QueueLine& line, const char* label, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
void StartQueueThread();
int QueuedLineCount();  // lines waiting; for benchmarks and tests

// Clean-up (log_cleanup.cc).
void StartCleanupThread();
// One pass over `directory` as the clean-up thread makes it at local time `now`: deletes the
// .Log files created more than `keep_days` calendar days earlier. Returns how many it deleted.
int CleanLogDirectory(const char* directory, int keep_days, const struct tm& now);
int RetentionDays(unsigned int flags);  // 0 when no retention flag is set

// Log viewers (log_server.cc). `text` ends in CR LF.
void SendToLogClients(const char* text, int length);
// Tests run the server on a port of their own; call before the first LOG_CLIENT line.
void SetLogServerPortForTesting(int port);

}  // namespace liblog::internal
