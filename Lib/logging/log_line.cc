// The layout of one log line and the name of the file it goes to.
#include <pthread.h>
#include <signal.h>

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

namespace {

// Hand-rolled "%0Nd" and "%.Ns": every line formats a stamp and a file name, and printf's
// general machinery costs more than the rest of the line's work outside the system calls.
char* PutNumber(char* p, int value, int width) {
  if (value < 0) return p + sprintf(p, "%0*d", width, value);
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = width - n; pad > 0; --pad) *p++ = '0';
  while (n > 0) *p++ = digits[--n];
  return p;
}

char* PutText(char* p, const char* text, size_t max) {
  size_t n = strnlen(text, max);
  memcpy(p, text, n);
  return p + n;
}

// "%04d/%02d/%02d %02d:%02d:%02d" of the line's time.
char* PutStamp(char* p, const struct tm& tm) {
  p = PutNumber(p, tm.tm_year + 1900, 4);
  *p++ = '/';
  p = PutNumber(p, tm.tm_mon + 1, 2);
  *p++ = '/';
  p = PutNumber(p, tm.tm_mday, 2);
  *p++ = ' ';
  p = PutNumber(p, tm.tm_hour, 2);
  *p++ = ':';
  p = PutNumber(p, tm.tm_min, 2);
  *p++ = ':';
  return PutNumber(p, tm.tm_sec, 2);
}

// "%5.5s " of the label.
char* PutLabel(char* p, const char* label) {
  size_t n = strnlen(label, 5);
  for (size_t pad = 5 - n; pad > 0; --pad) *p++ = ' ';
  p = PutText(p, label, 5);
  *p++ = ' ';
  return p;
}

}  // namespace

int FormatLine(char* buffer, unsigned int flags, const char* label, const platform::LocalTime& t,
               const char* format, va_list args) {
  if (flags & LOG_NO_LEVEL) label = "";
  char* p = buffer;  // the prefix takes at most 4 + 15 + 11 + 3 + 1 + 6 characters of 4096
  if (flags & (LOG_TIME | LOG_TIME_MSEC)) {
    p = PutStamp(p, t.tm);
    if (!(flags & LOG_TIME)) {
      *p++ = '.';
      p = PutNumber(p, t.millis, 3);
    }
    *p++ = ' ';
  }
  p = PutLabel(p, label);
  int prefix = static_cast<int>(p - buffer);

  int room = kMaxLineText - prefix;  // characters the message may take
  int message = vsnprintf(buffer + prefix, static_cast<size_t>(room) + 1, format, args);
  if (message < 0) message = 0;  // a conversion failed: keep the prefix alone
  if (message > room) message = room;
  buffer[prefix + message] = '\0';
  return prefix + message;
}

int ComposeFileName(char* name, size_t size, const char* directory, unsigned int flags,
                    const struct tm& tm) {
  if (size < static_cast<size_t>(kFileNameBuffer)) {  // never: every caller passes enough
    if (size > 0) name[0] = '\0';
    return 0;
  }
  int bucket = flags & LOG_FILE_10MIN   ? 10
               : flags & LOG_FILE_20MIN ? 20
               : flags & LOG_FILE_30MIN ? 30
                                        : 0;
  char* p = PutText(name, directory, kMaxPath);
  *p++ = '/';
  p = PutText(p, LogName(), kMaxPath);
  *p++ = '.';
  p = PutNumber(p, tm.tm_year + 1900, 4);
  p = PutNumber(p, tm.tm_mon + 1, 2);
  p = PutNumber(p, tm.tm_mday, 2);
  if (bucket != 0 || !(flags & LOG_FILE_DAILY)) {
    *p++ = '_';
    p = PutNumber(p, tm.tm_hour, 2);
    if (bucket != 0) p = PutNumber(p, tm.tm_min - tm.tm_min % bucket, 2);
  }
  p = PutText(p, ".Log", 4);
  *p = '\0';
  return static_cast<int>(p - name);
}

// Standard output may be a pipe whose reader has gone (a viewer piped into `head`): the host
// must not die of SIGPIPE because of a log line. The signal is blocked for this thread while
// the line is written, and one that the write raised is taken back before unblocking.
void WriteConsole(char* text, int length) {
  sigset_t pipe_only, previous;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_only, &previous);
  sigset_t pending;
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE) == 1;

  text[length] = '\n';
  fwrite(text, 1, static_cast<size_t>(length) + 1, stdout);  // one call: lines stay whole
  fflush(stdout);
  text[length] = '\0';

  if (ferror(stdout)) {
    clearerr(stdout);
    const struct timespec no_wait = {0, 0};
    if (!was_pending) sigtimedwait(&pipe_only, nullptr, &no_wait);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace liblog::internal
