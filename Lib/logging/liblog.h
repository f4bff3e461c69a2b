// liblog: the process-wide log of the control and its libraries.
//
// One call writes one line: a time stamp, a level label and a printf-style message, appended
// to a file whose name carries the line's date and, by configuration, its hour or a minute
// bucket. Every choice is made per line by a 32-bit flag word (below); the process-wide
// configuration gives the directory, the file stem, the global flags and the default level.
//
// By default lines are written synchronously: open, append, close per line, so files can be
// moved or deleted between lines, and lines of concurrent threads reach the file whole. With
// LOG_QUEUED the caller only formats the line and a queue thread writes it; LOG_CLIENT lines
// also go to remote viewers connected on TCP port 39300. The queue thread, the clean-up thread
// and the viewer server start on first need and run until the process ends.
//
// Nothing here throws or returns anything a caller must check; a line that cannot be written
// is lost and later lines try again.
#pragma once

#include <cstdarg>

// Output
inline constexpr unsigned int LOG_CONSOLE = 0x00000001;  // also to standard output, LF-ended
inline constexpr unsigned int LOG_FILE = 0x00000002;     // append to the log file, CR LF-ended
inline constexpr unsigned int LOG_CLIENT = 0x00000004;   // send to connected log viewers
// Levels, in precedence order ERROR, INFO, TRACE, DEBUG
inline constexpr unsigned int LOG_ERROR = 0x00000008;
inline constexpr unsigned int LOG_INFO = 0x00000010;
inline constexpr unsigned int LOG_TRACE = 0x00000020;
inline constexpr unsigned int LOG_DEBUG = 0x00040000;
inline constexpr unsigned int LOG_LEVELS = 0x00040038;
// Retention of the clean-up thread; the shortest set wins
inline constexpr unsigned int LOG_KEEP_1DAY = 0x00000040;
inline constexpr unsigned int LOG_KEEP_3DAYS = 0x00000080;
inline constexpr unsigned int LOG_KEEP_7DAYS = 0x00000100;
inline constexpr unsigned int LOG_KEEP_31DAYS = 0x00000200;
inline constexpr unsigned int LOG_KEEP_93DAYS = 0x00000400;
inline constexpr unsigned int LOG_KEEP_186DAYS = 0x00000800;
inline constexpr unsigned int LOG_NO_CLEANUP = 0x00001000;  // never starts the clean-up thread
// File period; hourly when none is set, the shortest set wins
inline constexpr unsigned int LOG_FILE_10MIN = 0x00002000;
inline constexpr unsigned int LOG_FILE_20MIN = 0x00004000;
inline constexpr unsigned int LOG_FILE_30MIN = 0x00008000;
inline constexpr unsigned int LOG_FILE_DAILY = 0x00020000;
inline constexpr unsigned int LOG_NO_LEVEL = 0x00080000;  // blank level label
// Time stamp; LOG_TIME wins when both are set, none when neither is
inline constexpr unsigned int LOG_TIME = 0x00200000;
inline constexpr unsigned int LOG_TIME_MSEC = 0x00400000;
// Delivery
inline constexpr unsigned int LOG_REOPEN = 0x01000000;  // open-append-close even when queued
inline constexpr unsigned int LOG_QUEUED = 0x02000000;  // the queue thread delivers the line

namespace liblog {

// Configuration; set before lines are written (it is read without a lock).
void SetLogPath(const char* lpPath);  // keeps 260 characters, drops one trailing '/' or '\'
void SetLogName(const char* lpName);  // file stem, keeps 260 characters
// Default level := uFlags & LOG_LEVELS; global flags := uFlags without the levels.
void SetLogFlags(unsigned int uFlags);
unsigned int GetLogFlags();  // the global flags, without levels
const char* GetLogPath();

// Print uses the log directory and the global flags (so the default level); PrintEx the
// given flags.
void Print(const char* lpFormat, ...) __attribute__((format(printf, 1, 2)));
void PrintEx(unsigned int uFlags, const char* lpFormat, ...)
    __attribute__((format(printf, 2, 3)));
void WriteLog(const char* lpDirectory, unsigned int uFlags, const char* lpFormat, va_list args)
    __attribute__((format(printf, 3, 0)));

// Creates every missing directory of the path; 1 on success, -1 when one cannot be made.
int MakeLogDirectory(const char* lpDirectory);

}  // namespace liblog
