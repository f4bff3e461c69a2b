// Appending lines to log files, and creating the log directory.
//
// Every file is opened with O_APPEND and each line goes out in one write(), so lines of
// concurrent threads and processes land whole and never overwrite one another, without a lock.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "liblog.h"
#include "log_internal.h"

namespace liblog {
namespace internal {
namespace {

int OpenForAppend(const char* name, const char* directory) {
  int fd = open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd >= 0) return fd;
  MakeLogDirectory(directory);
  return open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}

bool WriteAll(int fd, const char* bytes, int length) {
  while (length > 0) {
    ssize_t n = write(fd, bytes, static_cast<size_t>(length));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    length -= static_cast<int>(n);
  }
  return true;
}

// The queue thread's file, kept open between queued lines. Only that thread touches it.
int g_kept_fd = -1;
char g_kept_name[kFileNameBuffer] = "";

int KeptFile(const char* name, const char* directory) {
  if (g_kept_fd >= 0 && strcmp(name, g_kept_name) == 0) return g_kept_fd;
  if (g_kept_fd >= 0) close(g_kept_fd);
  snprintf(g_kept_name, sizeof g_kept_name, "%s", name);
  g_kept_fd = OpenForAppend(name, directory);
  return g_kept_fd;
}

}  // namespace

void WriteLogFile(const char* directory, unsigned int flags, const char* bytes, int length,
                  const struct tm& tm) {
  char name[kFileNameBuffer];
  ComposeFileName(name, sizeof name, directory, flags, tm);

  bool written;
  if ((flags & LOG_REOPEN) || !(flags & LOG_QUEUED)) {
    int fd = OpenForAppend(name, directory);
    if (fd < 0) return;
    written = WriteAll(fd, bytes, length);
    close(fd);
  } else {
    int fd = KeptFile(name, directory);
    if (fd < 0) return;
    written = WriteAll(fd, bytes, length);
  }
  if (written && !(flags & LOG_NO_CLEANUP)) StartCleanupThread();
}

}  // namespace internal

namespace {

bool IsDirectory(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates `path` unless it is already a directory. Another thread or process creating it at
// the same moment is success, not failure.
bool EnsureDirectory(const char* path) {
  if (*path == '\0' || IsDirectory(path)) return true;
  if (mkdir(path, 0777) == 0) return true;
  return errno == EEXIST && IsDirectory(path);
}

}  // namespace

int MakeLogDirectory(const char* lpDirectory) {
  if (lpDirectory == nullptr) return -1;
  char path[internal::kFileNameBuffer];
  size_t length = strnlen(lpDirectory, sizeof path - 1);
  memcpy(path, lpDirectory, length);
  path[length] = '\0';
  for (size_t i = 1; i < length; ++i) {
    if (path[i] != '/') continue;
    path[i] = '\0';
    bool ok = EnsureDirectory(path);
    path[i] = '/';
    if (!ok) return -1;
  }
  return EnsureDirectory(path) ? 1 : -1;
}

}  // namespace liblog
